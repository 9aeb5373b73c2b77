// The find window's controls and keys.
#include "ui/find/FindWindow.h"

#include "ui/find/FindResultsModel.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace savrona {

namespace {

// Screen readers are told that the find window is a window; a plain widget
// counts as a filler.
QAccessibleInterface* accessibleFindWindow(const QString& className, QObject* object) {
    if (className != QLatin1String(FindWindow::staticMetaObject.className()) ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

FindWindow::FindWindow(QAbstractItemModel* results, QWidget* parent) : QWidget(parent, Qt::Window) {
    // Installed once however many windows are made.
    QAccessible::installFactory(accessibleFindWindow);
    setObjectName(QStringLiteral("FindWindow"));
    setWindowTitle(QStringLiteral("Find Recipes"));
    resize(420, 460);

    searchBox = new QLineEdit(this);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchBox->setAccessibleName(QStringLiteral("Search recipes"));
    searchBox->setClearButtonEnabled(true);
    searchBox->installEventFilter(this);

    // A table of one column, without headers or grid, shown as a list: its rows
    // all have the header's one height, so that 100,000 results are laid out
    // without a step per row (a list view measures every row).
    resultsList = new QTableView(this);
    resultsList->setObjectName(QStringLiteral("resultsList"));
    resultsList->setAccessibleName(QStringLiteral("Results"));
    resultsList->setModel(results);
    resultsList->setItemDelegate(new FindResultDelegate(resultsList));
    resultsList->horizontalHeader()->hide();
    resultsList->horizontalHeader()->setStretchLastSection(true);
    resultsList->verticalHeader()->hide();
    resultsList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    resultsList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    resultsList->setShowGrid(false);
    resultsList->setWordWrap(false);
    resultsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsList->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsList->setSelectionBehavior(QAbstractItemView::SelectRows);

    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("countLabel"));
    countLabel->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(searchBox);
    layout->addWidget(resultsList, 1);
    layout->addWidget(countLabel);

    connect(searchBox, &QLineEdit::textChanged, this, &FindWindow::queryChanged);
    connect(resultsList, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit recipeChosen(index.row()); });
}

int FindWindow::currentRow() const {
    const QModelIndex current = resultsList->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void FindWindow::setCurrentRow(int row) {
    resultsList->setCurrentIndex(resultsList->model()->index(row, 0));
}

bool FindWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchBox && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(resultsList, event);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Reached by the keys the search box and the list leave alone.
void FindWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentRow() < 0)
            return;
        if (event->modifiers().testFlag(Qt::ShiftModifier))
            emit cardRequested(currentRow());
        else
            emit recipeChosen(currentRow());
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void FindWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

} // namespace savrona
