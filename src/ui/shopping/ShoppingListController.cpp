// Wires the shopping list into the main window's menus and applies the window's edits.
#include "ui/shopping/ShoppingListController.h"

#include "cookbook/exchange/ExportFileWriter.h"
#include "cookbook/exchange/ExportTarget.h"
#include "cookbook/shopping/ShoppingListBuilder.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/print/PagedOutput.h"
#include "ui/shopping/ShoppingListPrintout.h"
#include "ui/shopping/ShoppingListStore.h"
#include "ui/shopping/ShoppingListWindow.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

namespace savrona {

namespace {

const QString documentName = QStringLiteral("Shopping list");

// The lines merged again, with those added after them.
ShoppingList mergedList(const ShoppingList& list,
                        const std::function<void(ShoppingListBuilder&)>& addMore) {
    ShoppingListBuilder builder;
    for (const ShoppingLine& line : list)
        builder.addLine(line);
    addMore(builder);
    return builder.lines();
}

} // namespace

ShoppingListController::ShoppingListController(AdditionsHost& window)
    : QObject(&window.mainWindow()), m_window(window) {
    m_store = new ShoppingListStore(window.dataFolder(), this);
    connect(m_store, &ShoppingListStore::merged, this, &ShoppingListController::showList);

    m_openItem = m_window.additionsMenu().addAction(QStringLiteral("&Shopping list..."));
    connect(m_openItem, &QAction::triggered, this, &ShoppingListController::openWindow);
    m_addRecipeItem = new QAction(QStringLiteral("&Add to shopping list"), this);
    m_window.addTreeMenuItem(m_addRecipeItem, AdditionsHost::NodeKind::Recipe);
    connect(m_addRecipeItem, &QAction::triggered, this,
            [this] { SavronaApplication::runReportingErrors([this] { addShownRecipe(); }); });
}

ShoppingListController::~ShoppingListController() = default;

const ShoppingList& ShoppingListController::list() const {
    return m_store->list();
}

void ShoppingListController::openWindow() {
    if (m_listWindow == nullptr)
        createWindow();
    showList();
    m_listWindow->show();
    m_listWindow->raise();
    m_listWindow->activateWindow();
}

void ShoppingListController::createWindow() {
    m_listWindow = new ShoppingListWindow(&m_window.mainWindow());
    bindWindow();
}

void ShoppingListController::bindWindow() {
    ShoppingListWindow* window = m_listWindow;
    const auto run = [](const std::function<void()>& handler) {
        SavronaApplication::runReportingErrors(handler);
    };
    connect(window, &ShoppingListWindow::ticked, this,
            [this, run](int row, bool done) { run([=, this] { tick(row, done); }); });
    connect(window, &ShoppingListWindow::edited, this,
            [this, run](int row, const QString& text) { run([=, this] { edit(row, text); }); });
    connect(window, &ShoppingListWindow::removeRequested, this,
            [this, run](const std::vector<int>& rows) { run([=, this] { remove(rows); }); });
    connect(window, &ShoppingListWindow::added, this,
            [this, run](const QString& text) { run([=, this] { addByHand(text); }); });
    connect(window, &ShoppingListWindow::clearRequested, this,
            [this, run] { run([this] { clear(); }); });
    connect(window, &ShoppingListWindow::copyRequested, this, [this] { copyToClipboard(); });
    connect(window, &ShoppingListWindow::printRequested, this,
            [this, run] { run([this] { print(); }); });
    connect(window, &ShoppingListWindow::savePdfRequested, this,
            [this, run] { run([this] { saveAsPdf(); }); });
    connect(window, &ShoppingListWindow::saveTextRequested, this,
            [this, run] { run([this] { saveAsText(); }); });
}

void ShoppingListController::showList() {
    if (m_listWindow == nullptr)
        return;
    m_listWindow->showList(m_store->list());
    m_listWindow->showNotKept(!m_store->isKept());
}

void ShoppingListController::change(ShoppingList list) {
    // Shown first, so that a failed write still shows what the user did.
    if (m_listWindow != nullptr)
        m_listWindow->showList(list);
    m_store->change(std::move(list));
    showList();
}

void ShoppingListController::addRecipe(const QString& title, const QString& ingredients,
                                       double factor) {
    change(mergedList(list(), [&](ShoppingListBuilder& builder) {
        builder.addRecipe(title, ingredients, factor);
    }));
}

void ShoppingListController::addShownRecipe() {
    const ExportedRecipe recipe = m_window.shownRecipe();
    addRecipe(recipe.title, recipe.ingredients, 1);
}

void ShoppingListController::tick(int row, bool done) {
    ShoppingList changed = list();
    if (row < 0 || std::size_t(row) >= changed.size())
        return;
    changed[std::size_t(row)].done = done;
    change(std::move(changed));
}

void ShoppingListController::edit(int row, const QString& text) {
    ShoppingList changed = list();
    if (row < 0 || std::size_t(row) >= changed.size())
        return;
    if (text.trimmed().isEmpty()) {
        remove({row});
        return;
    }
    changed[std::size_t(row)].text = text.trimmed();
    change(std::move(changed));
}

void ShoppingListController::remove(std::vector<int> rows) {
    ShoppingList changed = list();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows) {
        if (row >= 0 && std::size_t(row) < changed.size())
            changed.erase(changed.begin() + row);
    }
    change(std::move(changed));
}

void ShoppingListController::addByHand(const QString& text) {
    if (text.trimmed().isEmpty())
        return;
    change(mergedList(list(), [&](ShoppingListBuilder& builder) {
        builder.addLine({text.trimmed(), {}, false});
    }));
}

void ShoppingListController::clear() {
    change({});
}

void ShoppingListController::copyToClipboard() const {
    QGuiApplication::clipboard()->setText(shoppingListText(list()));
}

void ShoppingListController::print() {
    const ShoppingList shown = list();
    printThroughDialog(*m_window.platform().printDialog, m_listWindow, documentName,
                       m_window.dataFolder(),
                       [&shown](QPagedPaintDevice& device) { printShoppingList(shown, device); });
}

void ShoppingListController::saveAsPdf() {
    const ShoppingList shown = list();
    savePdfThroughDialog(*m_window.platform().saveDialog, m_listWindow,
                         documentName + QStringLiteral(".pdf"), m_window.dataFolder(),
                         [&shown](QPagedPaintDevice& device) { printShoppingList(shown, device); });
}

void ShoppingListController::saveAsText() {
    const std::optional<QString> path =
        m_window.platform().saveDialog->chooseFile(m_listWindow, documentName, textFileType);
    if (!path)
        return;
    refuseDataFileAsExportTarget(*path, m_window.dataFolder());
    writeExportFile(*path, shoppingListText(list()).toUtf8());
}

} // namespace savrona
