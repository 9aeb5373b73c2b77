// The card's controls, what they show of the record, and its keys.
#include "ui/card/CardWindow.h"

#include "cookbook/TextLines.h"
#include "cookbook/card/IngredientDisplay.h"
#include "cookbook/card/ServingsReader.h"
#include "cookbook/card/Temperatures.h"
#include "ui/card/PictureStore.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace savrona {

namespace {

// As the field allows, counted as the record stores the text (lines ended by CR LF).
constexpr qsizetype longestNotes = 255;
constexpr int pictureHeight = 240;
constexpr int fewestTextSteps = -3;
constexpr int mostTextSteps = 8;
constexpr double textStepRatio = 1.15;

// Shows servings as a cook writes them: "4", "1.5", never "4.00".
class ServingsBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

protected:
    QString textFromValue(double value) const override { return locale().toString(value, 'g', 6); }
};

// The lines of a text as the record holds it, blank lines left out.
QStringList textLines(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines;
    for (const QString& line : text.split(lineBreak))
        if (!line.trimmed().isEmpty())
            lines.append(line);
    return lines;
}

QString firstWebAddress(const QString& text) {
    static const QRegularExpression address(QStringLiteral(R"(https?://[^\s<>"]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return address.match(text).captured();
}

// A local picture file among what is dragged onto the card.
QString droppedPicture(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && isPictureFile(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}

QPushButton* button(const QString& text, const QString& accessibleName, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    if (!accessibleName.isEmpty())
        made->setAccessibleName(accessibleName);
    made->setAutoDefault(false);
    return made;
}

QLabel* heading(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CardWindow::CardWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("CardWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    resize(860, 640);
    m_basePointSize = font().pointSizeF() > 0 ? font().pointSizeF() : 10.0;

    titleLabel = new QLabel(this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setWordWrap(true);

    auto* sides = new QHBoxLayout;
    sides->addWidget(createPictureSide(), 2);
    sides->addWidget(createCookingSide(), 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel);
    layout->addLayout(sides, 1);

    createActions();
    applyTextSize();
    stepsList->setFocus();
}

QWidget* CardWindow::createPictureSide() {
    auto* side = new QWidget(this);
    pictureLabel = new QLabel(side);
    pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    pictureLabel->setAccessibleName(QStringLiteral("Picture of the dish"));
    pictureLabel->setAlignment(Qt::AlignCenter);
    pictureLabel->setFixedHeight(pictureHeight);
    pictureLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    pictureLabel->installEventFilter(this);

    choosePictureButton = button(QStringLiteral("Choose picture..."), QString(), side);
    removePictureButton = button(QStringLiteral("Remove picture"), QString(), side);
    downloadPictureButton = button(QStringLiteral("Download picture"), QString(), side);
    connect(choosePictureButton, &QPushButton::clicked, this, &CardWindow::choosePictureClicked);
    connect(removePictureButton, &QPushButton::clicked, this, &CardWindow::removePictureClicked);
    connect(downloadPictureButton, &QPushButton::clicked, this,
            &CardWindow::downloadPictureClicked);
    auto* pictureButtons = new QHBoxLayout;
    pictureButtons->addWidget(choosePictureButton);
    pictureButtons->addWidget(removePictureButton);
    pictureButtons->addWidget(downloadPictureButton);
    pictureButtons->addStretch();

    ingredientsList = new QListWidget(side);
    ingredientsList->setObjectName(QStringLiteral("ingredientsList"));
    ingredientsList->setAccessibleName(QStringLiteral("Ingredients"));
    ingredientsList->setWordWrap(true);
    connect(ingredientsList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        QFont font = ingredientsList->font();
        font.setStrikeOut(item->checkState() == Qt::Checked);
        item->setFont(font);
    });

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pictureLabel);
    layout->addLayout(pictureButtons);
    layout->addWidget(createServingsRow());
    layout->addWidget(heading(QStringLiteral("&Ingredients"), ingredientsList, side));
    layout->addWidget(ingredientsList, 1);
    return side;
}

QWidget* CardWindow::createServingsRow() {
    auto* row = new QWidget(this);
    auto* box = new ServingsBox(row);
    box->setLocale(QLocale::c());
    box->setRange(0, 9999);
    box->setDecimals(2);
    box->setSpecialValueText(QStringLiteral("-"));
    box->setAccessibleName(QStringLiteral("Servings"));
    box->setObjectName(QStringLiteral("servingsBox"));
    servingsBox = box;
    connect(servingsBox, &QDoubleSpinBox::valueChanged, this, &CardWindow::servingsChanged);
    connect(servingsBox, &QDoubleSpinBox::editingFinished, this, &CardWindow::servingsFinished);

    halfButton = button(QStringLiteral("½×"), QStringLiteral("Half the servings"), row);
    doubleButton = button(QStringLiteral("2×"), QStringLiteral("Double the servings"), row);
    tripleButton = button(QStringLiteral("3×"), QStringLiteral("Triple the servings"), row);
    connect(halfButton, &QPushButton::clicked, this, [this] { setFactor(0.5); });
    connect(doubleButton, &QPushButton::clicked, this, [this] { setFactor(2); });
    connect(tripleButton, &QPushButton::clicked, this, [this] { setFactor(3); });
    shoppingListButton = button(QStringLiteral("Add to shopping &list"), QString(), row);
    connect(shoppingListButton, &QPushButton::clicked, this,
            [this] { emit addToShoppingList(m_record.key.title, m_record.ingredients, m_factor); });

    unitsBox = new QComboBox(row);
    unitsBox->setObjectName(QStringLiteral("unitsBox"));
    unitsBox->setAccessibleName(QStringLiteral("Units"));
    unitsBox->addItem(QStringLiteral("As written"), static_cast<int>(UnitMode::AsWritten));
    unitsBox->addItem(QStringLiteral("Metric"), static_cast<int>(UnitMode::Metric));
    unitsBox->addItem(QStringLiteral("US"), static_cast<int>(UnitMode::Us));
    connect(unitsBox, &QComboBox::currentIndexChanged, this, [this] {
        showIngredients();
        showSteps();
    });

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(QStringLiteral("&Servings"), servingsBox, row));
    layout->addWidget(servingsBox);
    layout->addWidget(halfButton);
    layout->addWidget(doubleButton);
    layout->addWidget(tripleButton);
    layout->addWidget(shoppingListButton);
    layout->addStretch();
    layout->addWidget(heading(QStringLiteral("&Units"), unitsBox, row));
    layout->addWidget(unitsBox);
    return row;
}

QWidget* CardWindow::createCookingSide() {
    auto* side = new QWidget(this);
    stepsList = new QListWidget(side);
    stepsList->setObjectName(QStringLiteral("stepsList"));
    stepsList->setAccessibleName(QStringLiteral("Preparation steps"));
    stepsList->setWordWrap(true);
    stepsList->setSpacing(4);
    stepsList->installEventFilter(this);
    connect(stepsList, &QListWidget::currentRowChanged, this, [this] { markCurrentStep(); });

    notesBox = new QPlainTextEdit(side);
    notesBox->setObjectName(QStringLiteral("notesBox"));
    notesBox->setAccessibleName(QStringLiteral("Notes"));
    notesBox->setMaximumHeight(110);
    notesBox->installEventFilter(this);
    connect(notesBox, &QPlainTextEdit::textChanged, this, &CardWindow::limitNotes);

    notesLink = new QLabel(side);
    notesLink->setObjectName(QStringLiteral("notesLink"));
    notesLink->setTextFormat(Qt::RichText);
    notesLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(notesLink, &QLabel::linkActivated, this, &CardWindow::linkClicked);

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(QStringLiteral("&Preparation"), stepsList, side));
    layout->addWidget(stepsList, 1);
    layout->addWidget(heading(QStringLiteral("&Notes"), notesBox, side));
    layout->addWidget(notesBox);
    layout->addWidget(notesLink);
    return side;
}

void CardWindow::createActions() {
    const auto windowAction = [this](const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    largerTextAction =
        windowAction(QStringLiteral("Larger text"), {QKeySequence(Qt::CTRL | Qt::Key_Plus),
                                                     QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    smallerTextAction =
        windowAction(QStringLiteral("Smaller text"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    fullScreenAction = windowAction(QStringLiteral("Full screen"), {QKeySequence(Qt::Key_F11)});
    connect(largerTextAction, &QAction::triggered, this, [this] { changeTextSize(1); });
    connect(smallerTextAction, &QAction::triggered, this, [this] { changeTextSize(-1); });
    connect(fullScreenAction, &QAction::triggered, this, &CardWindow::toggleFullScreen);
    // Ctrl+W closes the card, as it closes a document's window elsewhere.
    closeAction =
        windowAction(QStringLiteral("Close"), QKeySequence::keyBindings(QKeySequence::Close));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
}

void CardWindow::showRecord(const CardRecord& record, const QPixmap& picture) {
    m_record = record;
    m_baseServings = readServings(record.servings);
    m_picture = picture;
    setWindowTitle(record.key.title + QStringLiteral(" - Recipe card"));
    titleLabel->setText(record.key.title);
    showServings();
    showIngredients();
    showSteps();
    showNotes();
    showPicture();
}

// Servings.

void CardWindow::setFactor(double factor) {
    if (!(factor > 0))
        return;
    m_factor = factor;
    showServings();
    showIngredients();
}

void CardWindow::showServings() {
    m_showing = true;
    servingsBox->setValue(m_baseServings ? *m_baseServings * m_factor : 0.0);
    servingsBox->setToolTip(
        m_baseServings ? QString() : QStringLiteral("Type how many servings the recipe makes"));
    m_showing = false;
}

void CardWindow::servingsChanged(double servings) {
    if (m_showing || !m_baseServings || !(servings > 0))
        return;
    m_factor = servings / *m_baseServings;
    showIngredients();
}

void CardWindow::servingsFinished() {
    if (m_showing || m_baseServings || !(servingsBox->value() > 0))
        return;
    emit baseServingsTyped(servingsBox->value());
}

// Ingredients and steps.

UnitMode CardWindow::unitMode() const {
    return static_cast<UnitMode>(unitsBox->currentData().toInt());
}

void CardWindow::setUnitMode(UnitMode mode) {
    unitsBox->setCurrentIndex(unitsBox->findData(static_cast<int>(mode)));
}

// The lines are rewritten in place while their number stays, so that the ticks stay.
void CardWindow::showIngredients() {
    const QStringList lines = textLines(m_record.ingredients);
    if (ingredientsList->count() != lines.size()) {
        ingredientsList->clear();
        for (qsizetype row = 0; row < lines.size(); ++row) {
            auto* item = new QListWidgetItem(ingredientsList);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    for (qsizetype row = 0; row < lines.size(); ++row)
        ingredientsList->item(static_cast<int>(row))
            ->setText(displayIngredientLine(lines[row], m_factor, unitMode()));
}

void CardWindow::showSteps() {
    const QStringList lines = textLines(m_record.preparation);
    const int current = std::max(stepsList->currentRow(), 0);
    stepsList->clear();
    for (qsizetype step = 0; step < lines.size(); ++step)
        stepsList->addItem(QStringLiteral("%1. %2").arg(step + 1).arg(
            convertTemperatures(lines[step], unitMode())));
    moveToStep(current);
}

int CardWindow::currentStep() const {
    return stepsList->currentRow();
}

void CardWindow::moveToStep(int step) {
    if (stepsList->count() == 0)
        return;
    stepsList->setCurrentRow(std::clamp(step, 0, stepsList->count() - 1));
    markCurrentStep();
}

void CardWindow::markCurrentStep() {
    QFont bold = stepsList->font();
    bold.setBold(true);
    for (int row = 0; row < stepsList->count(); ++row) {
        QListWidgetItem* item = stepsList->item(row);
        if (row == stepsList->currentRow())
            item->setFont(bold);
        else
            item->setData(Qt::FontRole, QVariant());
    }
    if (QListWidgetItem* current = stepsList->currentItem())
        stepsList->scrollToItem(current);
}

// Notes.

void CardWindow::showNotes() {
    // Notes being typed are not overwritten by the record shown again.
    if (m_notesEdited)
        return;
    m_showing = true;
    notesBox->setPlainText(textForBox(m_record.notes));
    m_showing = false;
}

void CardWindow::limitNotes() {
    if (!m_showing)
        m_notesEdited = true;
    QString text = notesBox->toPlainText();
    if (textForRecord(text).size() > longestNotes) {
        while (textForRecord(text).size() > longestNotes)
            text.chop(1);
        notesBox->setPlainText(text);
        notesBox->moveCursor(QTextCursor::End);
    }
    const QString address = firstWebAddress(text);
    notesLink->setVisible(!address.isEmpty());
    notesLink->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                           .arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
}

void CardWindow::finishNotes() {
    if (!m_notesEdited)
        return;
    m_notesEdited = false;
    const QString notes = textForRecord(notesBox->toPlainText());
    m_record.notes = notes;
    emit notesEdited(notes);
}

// The picture.

void CardWindow::showPicture() {
    const bool shown = !m_picture.isNull();
    pictureLabel->setVisible(shown);
    if (shown)
        pictureLabel->setPixmap(
            m_picture.scaled(pictureLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        pictureLabel->clear();
    const bool stored = !m_record.picture.isEmpty();
    choosePictureButton->setText(stored ? QStringLiteral("Replace picture...")
                                        : QStringLiteral("Choose picture..."));
    removePictureButton->setVisible(stored);
    downloadPictureButton->setVisible(isPictureAddress(m_record.picture));
}

void CardWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPicture(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CardWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedPicture(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit pictureChosen(path);
}

// Type size, full screen and keys.

void CardWindow::changeTextSize(int steps) {
    m_textSteps = std::clamp(m_textSteps + steps, fewestTextSteps, mostTextSteps);
    applyTextSize();
}

void CardWindow::applyTextSize() {
    QFont text = font();
    text.setPointSizeF(m_basePointSize * std::pow(textStepRatio, m_textSteps));
    setFont(text);
    QFont title = text;
    title.setPointSizeF(text.pointSizeF() * 1.8);
    title.setBold(true);
    titleLabel->setFont(title);
    markCurrentStep();
    for (int row = 0; row < ingredientsList->count(); ++row) {
        QFont line = text;
        line.setStrikeOut(ingredientsList->item(row)->checkState() == Qt::Checked);
        ingredientsList->item(row)->setFont(line);
    }
}

void CardWindow::toggleFullScreen() {
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

bool CardWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stepsList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool back = key->modifiers().testFlag(Qt::ShiftModifier);
        if (key->key() == Qt::Key_Space) {
            moveToStep(currentStep() + (back ? -1 : 1));
            return true;
        }
        if (key->key() == Qt::Key_Right || key->key() == Qt::Key_Left) {
            moveToStep(currentStep() + (key->key() == Qt::Key_Right ? 1 : -1));
            return true;
        }
    }
    if (watched == notesBox && event->type() == QEvent::FocusOut)
        finishNotes();
    if (watched == pictureLabel && event->type() == QEvent::Resize && !m_picture.isNull())
        pictureLabel->setPixmap(
            m_picture.scaled(pictureLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return QWidget::eventFilter(watched, event);
}

// Reached by the keys the focused control leaves alone.
void CardWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveToStep(currentStep() + 1);
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveToStep(currentStep() - 1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CardWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        emit activationChanged(isActiveWindow());
}

void CardWindow::closeEvent(QCloseEvent* event) {
    finishNotes();
    emit closing();
    QWidget::closeEvent(event);
}

} // namespace savrona
