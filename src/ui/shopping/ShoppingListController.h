#pragma once

// The shopping list: its menu items in the main window, its window and its file.

#include "cookbook/shopping/ShoppingList.h"

#include <QObject>

#include <vector>

class QAction;

namespace savrona {

class AdditionsHost;
class ShoppingListStore;
class ShoppingListWindow;

// Adds "&Shopping list..." to the additions' menu and "Add to shopping list" to the
// tree's context menu, enabled on a recipe (its amounts as written). The list lives in
// "Shopping list.txt" in the data folder (ShoppingListStore) and shows in the one
// shopping list window; every change is written at once. A failure to write reaches the
// application's error box.
class ShoppingListController : public QObject {
    Q_OBJECT
public:
    explicit ShoppingListController(AdditionsHost& window);
    ~ShoppingListController() override;

    QAction* openItem() const { return m_openItem; }
    QAction* addRecipeItem() const { return m_addRecipeItem; }
    // Nothing until the list is first shown.
    ShoppingListWindow* listWindow() const { return m_listWindow; }
    const ShoppingList& list() const;

    void openWindow();
    // Adds a recipe's ingredients, one a line, their amounts multiplied by factor; lines
    // of an item already on the list merge with it. For any window that shows a recipe.
    void addRecipe(const QString& title, const QString& ingredients, double factor);
    void addShownRecipe();

    void tick(int row, bool done);
    void edit(int row, const QString& text);
    void remove(std::vector<int> rows);
    void addByHand(const QString& text);
    void clear();

    void copyToClipboard() const;
    void print();
    void saveAsPdf();
    void saveAsText();

private:
    void createWindow();
    void change(ShoppingList list);
    void showList();
    void bindWindow();

    AdditionsHost& m_window;
    ShoppingListStore* m_store = nullptr;
    QAction* m_openItem = nullptr;
    QAction* m_addRecipeItem = nullptr;
    ShoppingListWindow* m_listWindow = nullptr;
};

} // namespace savrona
