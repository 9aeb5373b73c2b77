#pragma once

// Finding recipes from the main window: the menu command, the find window, the
// search behind it, and choosing a result in the tree.

#include "cookbook/search/RecipeSearch.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;

namespace savrona {

class AdditionsHost;
class FindResultsModel;
class FindWindow;

// Adds "&Find recipes..." (Ctrl+F) to the additions' menu of the main window
// and answers it with the one find window.
// Results follow each keystroke; the index behind them is built at the first
// search, not at start-up, and kept up to date with the tables after each
// rebuild of the tree, so that the results never show a deleted recipe or a
// stale title. Choosing a result selects its node in the tree, as a click
// there would, so that the details pane shows the recipe.
class FindController : public QObject {
    Q_OBJECT
public:
    explicit FindController(AdditionsHost& window);
    ~FindController() override;

    QAction* findAction() const { return m_findAction; }
    // Nothing until the command is first used.
    FindWindow* findWindow() const { return m_findWindow; }

    void openFindWindow();

signals:
    // Shift+Enter on a result: its recipe's card, by the recipe's title.
    void recipeCardRequested(const QString& title);

private:
    void createFindWindow();
    void search(const QString& text);
    void searchAgain();
    void showResults(SearchResults results);
    void showNoResults(const QString& line);
    void chooseRecipe(int row);

    AdditionsHost& m_window;
    RecipeSearch m_search;
    FindResultsModel* m_results = nullptr;
    QAction* m_findAction = nullptr;
    FindWindow* m_findWindow = nullptr;
};

} // namespace savrona
