#pragma once

// The shopping list window: the lines with their ticks and recipes, and what can be done
// with them.

#include "cookbook/shopping/ShoppingList.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace savrona {

// A window of its own beside the main window, never modal. It shows the list it is given
// and reports what the user does to it; the list itself is kept elsewhere
// (ShoppingListController). A line's text is edited in place (F2 or a double click), its
// box ticks it off; Delete removes the selected lines.
class ShoppingListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShoppingListWindow(QWidget* parent);

    void showList(const ShoppingList& list);
    // Says that the list file could not be read, so changes are not kept.
    void showNotKept(bool notKept);
    // The rows selected, in order.
    std::vector<int> selectedRows() const;

    QTreeWidget* lines = nullptr;
    QLineEdit* newItemBox = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* savePdfButton = nullptr;
    QPushButton* saveTextButton = nullptr;
    QLabel* noteLabel = nullptr;

signals:
    void ticked(int row, bool done);
    void edited(int row, const QString& text);
    void removeRequested(const std::vector<int>& rows);
    void added(const QString& text);
    void clearRequested();
    void copyRequested();
    void printRequested();
    void savePdfRequested();
    void saveTextRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void lineChanged(QTreeWidgetItem* item, int column);
    void addTyped();

    ShoppingList m_shown;
};

} // namespace savrona
