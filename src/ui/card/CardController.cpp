// The card commands, the cards' records and the writes of what a card changes.
#include "ui/card/CardController.h"

#include "cookbook/CookbookFields.h"
#include "data/Error.h"
#include "data/files/DataFolder.h"
#include "platform/SavronaApplication.h"
#include "ui/card/CardWindow.h"
#include "ui/card/PictureStore.h"
#include "ui/card/ScreenAwake.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/tree/CookbookTree.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

namespace savrona {

namespace {

void reportingErrors(const std::function<void()>& handler) {
    SavronaApplication::runReportingErrors(handler);
}

// A recipe node sits under a category node, which sits under the root.
bool isRecipeNode(const TreeNode* node) {
    return node != nullptr && node->parent != nullptr && node->parent->parent != nullptr;
}

} // namespace

CardController::CardController(AdditionsHost& window)
    : QObject(&window.mainWindow()), m_window(window),
      m_screen(std::make_unique<DBusScreenAwake>()) {
    setObjectName(QStringLiteral("CardController"));
    m_cardAction = window.additionsMenu().addAction(QStringLiteral("Recipe ca&rd"));
    m_cardAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(m_cardAction, &QAction::triggered, this,
            [this] { reportingErrors([this] { openSelectedRecipe(); }); });
    m_treeCardAction = new QAction(QStringLiteral("Recipe ca&rd"), this);
    window.addTreeMenuItem(m_treeCardAction, AdditionsHost::NodeKind::Recipe);
    connect(m_treeCardAction, &QAction::triggered, this,
            [this] { reportingErrors([this] { openSelectedRecipe(); }); });
    window.whenRebuilt(this, [this] { followCookbook(); });
}

CardController::~CardController() {
    // The cards go with the main window after this; nothing may call back here.
    for (CardWindow* card : m_cards)
        card->disconnect(this);
    if (m_screen)
        m_screen->release();
}

void CardController::useScreenAwake(std::unique_ptr<ScreenAwake> screen) {
    if (m_screen)
        m_screen->release();
    m_screen = std::move(screen);
    m_awakeFor = nullptr;
}

void CardController::openSelectedRecipe() {
    const TreeNode* node = m_window.selectedTreeNode();
    if (!isRecipeNode(node)) {
        m_window.messages().show(MessageBoxes::Kind::Information,
                                 QStringLiteral("Select a recipe in the tree to see its card."));
        return;
    }
    openCardTitled(node->text);
}

CardWindow* CardController::openCardTitled(const QString& title) {
    if (m_window.isRebuilding())
        return nullptr;
    const auto record = readCardRecord(m_window.recipes(), CardKey{std::nullopt, title});
    return record ? openCard(*record) : nullptr;
}

CardWindow* CardController::openCard(const CardRecord& record) {
    CardWindow* card = cardOf(record.key);
    if (card == nullptr) {
        card = new CardWindow(&m_window.mainWindow());
        card->showRecord(record, pictureOf(record));
        connectCard(card);
        m_cards.append(card);
        // Each further card a step aside, so that none hides another wholly.
        const QPoint step(24 * static_cast<int>(m_cards.size() - 1),
                          24 * static_cast<int>(m_cards.size() - 1));
        card->move(m_window.mainWindow().geometry().center() - card->rect().center() + step);
        // A picture address from a web import is downloaded once the card shows; without
        // the network it stays an address, with its button.
        if (isPictureAddress(record.picture))
            QMetaObject::invokeMethod(
                this,
                [this, shown = QPointer<CardWindow>(card)] {
                    try {
                        downloadPicture(shown);
                    } catch (const Error&) {
                    }
                },
                Qt::QueuedConnection);
    }
    card->show();
    card->raise();
    card->activateWindow();
    return card;
}

CardWindow* CardController::cardOf(const CardKey& key) const {
    for (CardWindow* card : m_cards)
        if (card->key().sameRecipe(key))
            return card;
    return nullptr;
}

void CardController::connectCard(CardWindow* card) {
    connect(card, &CardWindow::addToShoppingList, this, &CardController::shoppingListRequested);
    connect(card, &CardWindow::baseServingsTyped, this, [this, card](double servings) {
        editRecord(card, field::servings, QString::number(servings, 'g', 6));
    });
    connect(card, &CardWindow::notesEdited, this,
            [this, card](const QString& notes) { editRecord(card, field::notes, notes); });
    connect(card, &CardWindow::pictureChosen, this, [this, card](const QString& path) {
        reportingErrors([this, card, &path] { storePicture(card, path); });
    });
    connect(card, &CardWindow::choosePictureClicked, this,
            [this, card] { reportingErrors([this, card] { choosePicture(card); }); });
    connect(card, &CardWindow::removePictureClicked, this,
            [this, card] { editRecord(card, field::picture, QString()); });
    connect(card, &CardWindow::downloadPictureClicked, this,
            [this, card] { reportingErrors([this, card] { downloadPicture(card); }); });
    connect(card, &CardWindow::linkClicked, this,
            [this](const QString& address) { m_window.platform().urls->open(QUrl(address)); });
    connect(card, &CardWindow::activationChanged, this,
            [this, card](bool active) { cardActivation(card, active); });
    connect(card, &CardWindow::closing, this, [this, card] { cardActivation(card, false); });
    connect(card, &QObject::destroyed, this, [this, card] {
        m_cards.removeAll(card);
        if (m_awakeFor == card)
            cardActivation(card, false);
    });
}

void CardController::cardActivation(CardWindow* card, bool active) {
    if (!m_screen)
        return;
    if (active) {
        m_awakeFor = card;
        m_screen->hold(QStringLiteral("A recipe card is open for cooking"));
    } else if (m_awakeFor == card) {
        m_awakeFor = nullptr;
        m_screen->release();
    }
}

// After a rebuild (a command, an import, a merge of another computer's version).
void CardController::followCookbook() {
    if (m_cards.isEmpty() || m_window.isRebuilding())
        return;
    const QList<CardWindow*> cards = m_cards;
    for (CardWindow* card : cards) {
        std::optional<CardRecord> record;
        try {
            record = readCardRecord(m_window.recipes(), card->key());
        } catch (const Error&) {
            // A table left closed by a failed rebuild: the cards wait for the next one.
            return;
        }
        if (record)
            card->showRecord(*record, pictureOf(*record));
        else
            closeGoneCard(card);
    }
}

void CardController::closeGoneCard(CardWindow* card) {
    const QString title = card->key().title;
    card->close();
    m_window.messages().show(
        MessageBoxes::Kind::Information,
        QStringLiteral("The recipe \"%1\" is no longer in the cookbook; its card was closed.")
            .arg(title));
}

QPixmap CardController::pictureOf(const CardRecord& record) const {
    if (record.picture.isEmpty() || isPictureAddress(record.picture))
        return {};
    return QPixmap(PictureStore(m_window.dataFolder().path()).pathOf(record.picture));
}

// Runs as the main window's commands run: not during a rebuild, the change written to the
// recipes file behind.
void CardController::editRecord(CardWindow* card, const QString& fieldName, const QString& text) {
    m_window.runCommand(CommandGate::Effect::ChangesCookbook, [this, card, &fieldName, &text] {
        Table& recipes = m_window.recipes();
        if (!writeCardField(recipes, card->key(), fieldName, text)) {
            closeGoneCard(card);
            return;
        }
        m_window.writeChangedRecipes();
        if (const auto record = readCardRecord(recipes, card->key()))
            card->showRecord(*record, pictureOf(*record));
    });
}

void CardController::choosePicture(CardWindow* card) {
    const QStringList files = m_window.platform().fileDialogs->chooseFilesToOpen(
        card, QStringLiteral("Choose a picture"), pictureFileTypes());
    if (!files.isEmpty())
        storePicture(card, files.first());
}

// Kept in a file of the picture's own type first, then stored as a chosen picture is.
// The card may close while the picture comes: nothing is stored then.
void CardController::downloadPicture(QPointer<CardWindow> card) {
    if (!card || m_window.isRebuilding() || !isPictureAddress(card->record().picture))
        return;
    const QString address = card->record().picture;
    const DownloadedPage download = m_downloader.download(address, {});
    if (!card)
        return;
    if (!download.failure.isEmpty())
        throw Error(QStringLiteral("The picture could not be downloaded from %1: %2")
                        .arg(address, download.failure));
    QBuffer bytes;
    bytes.setData(download.bytes);
    bytes.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&bytes);
    if (format.isEmpty())
        throw Error(QStringLiteral("%1 is not a picture that can be shown.").arg(address));
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("picture.") + QString::fromLatin1(format)));
    if (!folder.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(download.bytes) != download.bytes.size())
        throw Error(
            QStringLiteral("The downloaded picture could not be kept: %1").arg(file.errorString()));
    file.close();
    storePicture(card, file.fileName());
}

void CardController::storePicture(CardWindow* card, const QString& path) {
    if (m_window.isRebuilding())
        return;
    const QString name = PictureStore(m_window.dataFolder().path()).store(path, card->key().title);
    editRecord(card, field::picture, name);
}

} // namespace savrona
