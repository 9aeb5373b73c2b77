// Builds the shopping list window and turns the user's actions into its signals.
#include "ui/shopping/ShoppingListWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace savrona {

namespace {

enum Column { ItemColumn, RecipesColumn };

// The recipes a line comes from are shown, not typed.
class ReadOnlyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }
};

} // namespace

ShoppingListWindow::ShoppingListWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Shopping list"));
    setObjectName(QStringLiteral("ShoppingListWindow"));
    resize(520, 480);

    lines = new QTreeWidget;
    lines->setAccessibleName(QStringLiteral("Shopping list"));
    lines->setColumnCount(2);
    lines->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("From")});
    lines->setRootIsDecorated(false);
    lines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lines->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    lines->header()->setSectionResizeMode(ItemColumn, QHeaderView::Stretch);
    lines->header()->setStretchLastSection(false);
    lines->setItemDelegateForColumn(RecipesColumn, new ReadOnlyDelegate(lines));
    connect(lines, &QTreeWidget::itemChanged, this, &ShoppingListWindow::lineChanged);

    newItemBox = new QLineEdit;
    newItemBox->setAccessibleName(QStringLiteral("New item"));
    newItemBox->setPlaceholderText(QStringLiteral("Add an item by hand"));
    addButton = new QPushButton(QStringLiteral("&Add"));
    connect(newItemBox, &QLineEdit::returnPressed, this, &ShoppingListWindow::addTyped);
    connect(addButton, &QPushButton::clicked, this, &ShoppingListWindow::addTyped);

    removeButton = new QPushButton(QStringLiteral("&Remove"));
    clearButton = new QPushButton(QStringLiteral("C&lear list"));
    copyButton = new QPushButton(QStringLiteral("&Copy"));
    printButton = new QPushButton(QStringLiteral("&Print..."));
    savePdfButton = new QPushButton(QStringLiteral("Save as P&DF..."));
    saveTextButton = new QPushButton(QStringLiteral("Save as &text..."));
    connect(removeButton, &QPushButton::clicked, this,
            [this] { emit removeRequested(selectedRows()); });
    connect(clearButton, &QPushButton::clicked, this, &ShoppingListWindow::clearRequested);
    connect(copyButton, &QPushButton::clicked, this, &ShoppingListWindow::copyRequested);
    connect(printButton, &QPushButton::clicked, this, &ShoppingListWindow::printRequested);
    connect(savePdfButton, &QPushButton::clicked, this, &ShoppingListWindow::savePdfRequested);
    connect(saveTextButton, &QPushButton::clicked, this, &ShoppingListWindow::saveTextRequested);

    noteLabel = new QLabel;
    noteLabel->setWordWrap(true);
    noteLabel->hide();

    auto* adding = new QHBoxLayout;
    adding->addWidget(newItemBox, 1);
    adding->addWidget(addButton);
    auto* editing = new QHBoxLayout;
    editing->addWidget(removeButton);
    editing->addWidget(clearButton);
    editing->addStretch(1);
    auto* output = new QHBoxLayout;
    output->addWidget(copyButton);
    output->addWidget(printButton);
    output->addWidget(savePdfButton);
    output->addWidget(saveTextButton);
    output->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(noteLabel);
    layout->addWidget(lines, 1);
    layout->addLayout(adding);
    layout->addLayout(editing);
    layout->addLayout(output);
}

void ShoppingListWindow::showList(const ShoppingList& list) {
    const QSignalBlocker blocker(lines);
    const int current = lines->currentIndex().row();
    lines->clear();
    for (const ShoppingLine& line : list) {
        auto* item = new QTreeWidgetItem({line.text, line.recipes.join(QStringLiteral(", "))});
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                       Qt::ItemIsEditable | Qt::ItemNeverHasChildren);
        item->setCheckState(ItemColumn, line.done ? Qt::Checked : Qt::Unchecked);
        QFont font = item->font(ItemColumn);
        font.setStrikeOut(line.done);
        item->setFont(ItemColumn, font);
        lines->addTopLevelItem(item);
    }
    if (current >= 0 && current < lines->topLevelItemCount())
        lines->setCurrentItem(lines->topLevelItem(current));
    m_shown = list;
}

void ShoppingListWindow::showNotKept(bool notKept) {
    noteLabel->setText(QStringLiteral(
        "The file \"Shopping list.txt\" in the data folder cannot be read; the list is not "
        "saved until it can."));
    noteLabel->setVisible(notKept);
}

std::vector<int> ShoppingListWindow::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < lines->topLevelItemCount(); ++row) {
        if (lines->topLevelItem(row)->isSelected())
            rows.push_back(row);
    }
    return rows;
}

void ShoppingListWindow::lineChanged(QTreeWidgetItem* item, int column) {
    const int row = lines->indexOfTopLevelItem(item);
    if (row < 0 || std::size_t(row) >= m_shown.size())
        return;
    const ShoppingLine& shown = m_shown[std::size_t(row)];
    if (column == ItemColumn && item->text(ItemColumn) != shown.text)
        emit edited(row, item->text(ItemColumn));
    else if ((item->checkState(ItemColumn) == Qt::Checked) != shown.done)
        emit ticked(row, item->checkState(ItemColumn) == Qt::Checked);
}

void ShoppingListWindow::addTyped() {
    const QString text = newItemBox->text().trimmed();
    if (text.isEmpty())
        return;
    newItemBox->clear();
    emit added(text);
}

void ShoppingListWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && lines->hasFocus()) {
        emit removeRequested(selectedRows());
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace savrona
