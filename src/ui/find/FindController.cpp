// The find command's menu item, the searches as the user types, and the way from a
// chosen result to its node in the tree.
#include "ui/find/FindController.h"

#include "data/Error.h"
#include "platform/SavronaApplication.h"
#include "ui/find/FindResultsModel.h"
#include "ui/find/FindWindow.h"
#include "ui/find/FindWindowPlacement.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeView.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QWidget>

namespace savrona {

namespace {

QString countLine(std::size_t count) {
    if (count == 0)
        return QStringLiteral("No recipe found");
    if (count == 1)
        return QStringLiteral("1 recipe found");
    return QStringLiteral("%1 recipes found").arg(count);
}

// The node of a found recipe: under the category node at its place when that
// still bears its name, else under any category of that name.
TreeNode* nodeOf(const CookbookTreeModel& tree, const FoundRecipe& recipe) {
    const TreeNode* root = tree.root();
    if (root == nullptr)
        return nullptr;
    const auto titled = [&recipe](const TreeNode& category) -> TreeNode* {
        for (const auto& child : category.children)
            if (child->text == recipe.title)
                return child.get();
        return nullptr;
    };
    const auto& categories = root->children;
    const auto row = static_cast<std::size_t>(recipe.categoryRow);
    if (recipe.categoryRow >= 0 && row < categories.size() &&
        categories[row]->text == recipe.category) {
        if (TreeNode* node = titled(*categories[row]))
            return node;
    }
    for (const auto& category : categories) {
        if (category->text != recipe.category)
            continue;
        if (TreeNode* node = titled(*category))
            return node;
    }
    return nullptr;
}

void reportingErrors(const std::function<void()>& handler) {
    SavronaApplication::runReportingErrors(handler);
}

} // namespace

FindController::FindController(AdditionsHost& window)
    : QObject(&window.mainWindow()), m_window(window),
      m_results(new FindResultsModel(m_search, this)) {
    setObjectName(QStringLiteral("FindController"));
    m_findAction = window.additionsMenu().addAction(QStringLiteral("&Find recipes..."));
    m_findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(m_findAction, &QAction::triggered, this,
            [this] { reportingErrors([this] { openFindWindow(); }); });
    window.whenRebuilt(this, [this] { searchAgain(); });
}

FindController::~FindController() = default;

void FindController::createFindWindow() {
    m_findWindow = new FindWindow(m_results, &m_window.mainWindow());
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    if (const auto bounds = FindWindowPlacement(*m_window.platform().settings).restore(screens))
        m_findWindow->setGeometry(*bounds);
    else
        m_findWindow->move(m_window.mainWindow().geometry().center() -
                           m_findWindow->rect().center());
    connect(m_findWindow, &FindWindow::queryChanged, this,
            [this](const QString& text) { reportingErrors([this, &text] { search(text); }); });
    connect(m_findWindow, &FindWindow::recipeChosen, this,
            [this](int row) { reportingErrors([this, row] { chooseRecipe(row); }); });
    connect(m_findWindow, &FindWindow::cardRequested, this, [this](int row) {
        if (!m_window.isRebuilding())
            emit recipeCardRequested(m_results->recipeAt(row).title);
    });
    connect(m_findWindow, &FindWindow::hidden, this, [this] {
        const bool resized = m_findWindow->isMaximized() || m_findWindow->isMinimized();
        FindWindowPlacement(*m_window.platform().settings)
            .store(resized ? m_findWindow->normalGeometry() : m_findWindow->geometry());
    });
}

void FindController::openFindWindow() {
    if (m_findWindow == nullptr)
        createFindWindow();
    m_findWindow->show();
    m_findWindow->raise();
    m_findWindow->activateWindow();
    m_findWindow->searchBox->setFocus();
    m_findWindow->searchBox->selectAll();
    searchAgain();
}

void FindController::searchAgain() {
    if (m_findWindow != nullptr && m_findWindow->isVisible())
        search(m_findWindow->searchBox->text());
}

void FindController::search(const QString& text) {
    // The tables are being reloaded; the rebuild's end searches again.
    if (m_window.isRebuilding())
        return;
    const SearchQuery query = SearchQuery::parse(text);
    if (query.isEmpty()) {
        showNoResults(QString());
        return;
    }
    try {
        // The first search builds the index: a moment at a large cookbook.
        const bool building = !m_search.isBuilt();
        if (building)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([building] {
            if (building)
                QGuiApplication::restoreOverrideCursor();
        });
        m_search.update(m_window.categories(), m_window.recipes());
    } catch (const Error& error) {
        // A table left closed by a failed rebuild: said on the count line, not
        // in a box at every keystroke.
        showNoResults(error.message());
        return;
    }
    showResults(m_search.search(query));
}

void FindController::showResults(SearchResults results) {
    const std::size_t count = results.recipes.size();
    m_results->setResults(std::move(results));
    m_findWindow->countLabel->setText(countLine(count));
    if (count > 0)
        m_findWindow->setCurrentRow(0);
}

void FindController::showNoResults(const QString& line) {
    m_results->setResults({});
    m_findWindow->countLabel->setText(line);
}

void FindController::chooseRecipe(int row) {
    if (m_window.isRebuilding())
        return;
    TreeNode* node = nodeOf(m_window.cookbookTree(), m_results->recipeAt(row));
    if (node == nullptr)
        return;
    m_window.showNode(node);
}

} // namespace savrona
