// The main window's handlers: start-up and exit, the tree rebuild, the selection switch
// and the commands of its buttons and menus.
#include "ui/main-window/Unit1.h"

#include "cookbook/commands/CategoryCommands.h"
#include "cookbook/commands/RecipeCommands.h"
#include "cookbook/exchange/RecipeExport.h"
#include "platform/ErrorBoxText.h"
#include "platform/SavronaApplication.h"
#include "platform/seams/AppInfo.h"
#include "ui/dialogs/Unit2.h"
#include "ui/dialogs/Unit3.h"
#include "ui/dialogs/Unit5.h"
#include "ui/dialogs/Unit6.h"
#include "ui/look/OuterSize.h"
#include "ui/main-window/PanelSplitter.h"
#include "ui/main-window/WindowPlacement.h"
#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeUpdate.h"
#include "ui/tree/CookbookTreeView.h"
#include "ui/tree/TreeDropTarget.h"

#include "data/engine/Lookups.h"
#include "data/files/CoupledWrites.h"
#include "data/files/DataFolder.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

TformMain* formMain = nullptr;

using savrona::CommandGate;
using savrona::Table;
using savrona::TreeNode;

namespace {

const QString rootText = QStringLiteral("My Cookbook");
const QString selectCategoryPrompt = QStringLiteral(" Please select recipe category first");
constexpr int titleBoxLength = 125;

// A key that types a character (Backspace and control combinations such as
// Ctrl+V included); Delete, Tab and the moving keys type none, and neither does
// Alt+letter, which names a menu or button (Ctrl+Alt is AltGr on some systems).
bool typesCharacter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers held = key.modifiers();
    if (held.testFlag(Qt::AltModifier) && !held.testFlag(Qt::ControlModifier))
        return false;
    switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        return !key.text().isEmpty();
    }
}

} // namespace

TformMain::TformMain(savrona::Platform& platform, const QString& dataFolder, QWidget* parent)
    : QMainWindow(parent), m_platform(platform) {
    dataSetCategories = std::make_unique<Table>(savrona::categoriesTableDefinition());
    dataSetRecipes = std::make_unique<Table>(savrona::recipesTableDefinition());
    // A recipe names its category by ID: while either file is in conflict,
    // both tables write to one pair of conflict copies.
    const auto coupledWrites = std::make_shared<savrona::CoupledWrites>();
    dataSetCategories->coupleWrites(coupledWrites);
    dataSetRecipes->coupleWrites(coupledWrites);
    if (!dataFolder.isEmpty()) {
        dataSetCategories->setDataDirectory(dataFolder);
        dataSetRecipes->setDataDirectory(dataFolder);
    }

    m_tree = new savrona::CookbookTreeModel(this);
    m_tree->resetToRoot(rootText, savrona::RootImage);
    createControls();
    m_treeUpdate =
        std::make_unique<savrona::CookbookTreeUpdate>(*m_tree, *treeCategories, rootText);
    m_ingredients = savrona::RecordTextBox(Memo1);
    m_preparation = savrona::RecordTextBox(Memo2);
    savrona::keepOnOneLine(*Edit1);
    bindHandlers();
    m_writeReports = std::make_unique<savrona::WriteBehindReports>(
        *this, std::vector<Table*>{dataSetCategories.get(), dataSetRecipes.get()},
        [this](const QString& message) { reportFailure(message); });
    FormCreate();
}

TformMain::~TformMain() {
    if (formMain == this)
        formMain = nullptr;
}

void TformMain::bindHandlers() {
    connect(treeCategories->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // Clearing the tree reports no node: that never reaches the switch.
                if (TreeNode* node = m_tree->nodeAt(current))
                    reportingErrors([this, node] { treeCategoriesChange(node); });
            });
    connect(treeCategories, &savrona::CookbookTreeView::popupRequested, this,
            [this](const QModelIndex& nodeUnderPointer, const QPoint& globalPosition) {
                reportingErrors([&] { showTreePopup(nodeUnderPointer, globalPosition); });
            });
    for (QWidget* box : std::initializer_list<QWidget*>{Edit1, Memo1, Memo2})
        box->installEventFilter(this);

    bindHandler(Exit1, &TformMain::Exit1Click);
    bindHandler(About1, &TformMain::About1Click);
    bindHandler(SavronaOnLine1, &TformMain::SavronaOnLine1Click);
    bindHandler(Exportrecipe1, &TformMain::Exportrecipe1Click);

    using Effect = CommandGate::Effect;
    bindCommand(Button1, &TformMain::Button1Click, Effect::AddsRecord);
    bindCommand(Button2, &TformMain::Button2Click, Effect::ChangesCookbook);
    bindCommand(Button3, &TformMain::Button3Click, Effect::ChangesCookbook);
    bindCommand(Deleterecipe1, &TformMain::Deleterecipe1Click, Effect::ChangesCookbook);
    bindCommand(Addnewcategory1, &TformMain::Addnewcategory1Click, Effect::AddsRecord);
    bindCommand(Editcategory1, &TformMain::Editcategory1Click, Effect::ChangesCookbook);
    bindCommand(Deletecategory1, &TformMain::Deletecategory1Click, Effect::ChangesCookbook);
    bindCommand(ChangeCategory1, &TformMain::ChangeCategory1Click, Effect::ChangesCookbook);
}

void TformMain::reportingErrors(const std::function<void()>& handler) {
    savrona::SavronaApplication::runReportingErrors(handler);
}

void TformMain::bindHandler(QAction* item, void (TformMain::*handler)()) {
    connect(item, &QAction::triggered, this,
            [this, handler] { reportingErrors([this, handler] { (this->*handler)(); }); });
}

void TformMain::bindCommand(QObject* sender, void (TformMain::*handler)(),
                            CommandGate::Effect effect) {
    const auto runThroughGate = [this, handler, effect] {
        runCommand(effect, [this, handler] { (this->*handler)(); });
    };
    if (auto* button = qobject_cast<QPushButton*>(sender))
        connect(button, &QPushButton::clicked, this, runThroughGate);
    else if (auto* action = qobject_cast<QAction*>(sender))
        connect(action, &QAction::triggered, this, runThroughGate);
}

// Placement and the window's life.

void TformMain::FormCreate() {
    const auto restored = savrona::WindowPlacement(*m_platform.settings).restore();
    if (!restored.problems.isEmpty())
        reportFailure(restored.report());
    applyPlacement(restored.values);
    dataSetCategories->mergeChangeLog();
    dataSetRecipes->mergeChangeLog();
}

void TformMain::applyPlacement(const savrona::PlacementValues& values) {
    QRect bounds = values.bounds();
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    // A window stored wholly off every screen could not be found again.
    if (!screens.isEmpty() && !savrona::WindowPlacement::isOnAnyScreen(bounds, screens)) {
        const savrona::PlacementValues defaults;
        bounds.moveTo(defaults.left, defaults.top);
    }
    // Top and Left place the frame's corner, Width and Height count the frame.
    move(bounds.topLeft());
    savrona::OuterSize::apply(*this, bounds.size());
    Splitter1->setLeftWidth(values.treeWidth);
}

void TformMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    // Queued, so that the window paints before the tree is built.
    QMetaObject::invokeMethod(
        this, [this] { reportingErrors([this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TformMain::FormActivate() {
    setWindowTitle(QLatin1Char(' ') + savrona::applicationTitle);
    RefreshCookbookTree();
    RecipeSelected = false;
    // For timing start-up from outside: say so on standard output once the
    // tree is built and painted, then quit.
    if (qEnvironmentVariableIntValue("SAVRONA_QUIT_AFTER_STARTUP") == 1) {
        repaint();
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void TformMain::closeEvent(QCloseEvent* event) {
    if (m_gate.isRebuilding()) {
        // Closed once the rebuild has returned: the rebuild still walks the
        // tables and the tree.
        m_closeDeferred = true;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TformMain::FormClose() {
    if (isMaximized())
        return;
    const QRect outer = frameGeometry();
    const savrona::PlacementValues values{outer.y(), outer.x(), outer.width(), outer.height(),
                                          Splitter1->leftWidth()};
    const QString failure = savrona::WindowPlacement(*m_platform.settings).store(values);
    // Reported, and the window closes all the same.
    if (!failure.isEmpty())
        reportFailure(failure);
}

void TformMain::Exit1Click() {
    close();
}

void TformMain::reportFailure(const QString& message) {
    m_platform.messages->show(savrona::MessageBoxes::Kind::Failure, savrona::errorBoxText(message));
}

// The tree.

void TformMain::RefreshCookbookTree() {
    m_gate.beginRebuild();
    m_writeReports->beginCommand();
    commandButtons->setEnabled(false);
    bool succeeded = false;
    QString whyNotNumbered;
    QStringList writeProblems;
    const auto finish =
        qScopeGuard([&] { finishRebuild(succeeded, whyNotNumbered, writeProblems); });

    SelectedCategoryNode = nullptr;
    SelectedRecipeNode = nullptr;
    NextCategoryID = 0;
    NextRecipeID = 0;

    try {
        for (const auto& [table, fileName] :
             {std::pair{dataSetCategories.get(), savrona::categoriesFileName},
              std::pair{dataSetRecipes.get(), savrona::recipesFileName}}) {
            // A failed write stops nothing: the tree shows the cookbook in memory.
            if (const auto problem = table->reload(fileName))
                writeProblems.append(problem->message());
        }
    } catch (...) {
        m_treeUpdate->clearToRoot();
        throw;
    }
    m_treeUpdate->update(*dataSetCategories, *dataSetRecipes, [this] { PumpPendingMessages(); });
    NextCategoryID = m_treeUpdate->greatestCategoryId();
    NextRecipeID = m_treeUpdate->greatestRecipeId();

    const auto nextCategory = CommandGate::followingId(NextCategoryID);
    const auto nextRecipe = CommandGate::followingId(NextRecipeID);
    if (!nextCategory)
        whyNotNumbered = CommandGate::greatestIdRefusal("category", savrona::categoriesFileName);
    else if (!nextRecipe)
        whyNotNumbered = CommandGate::greatestIdRefusal("recipe", savrona::recipesFileName);
    NextCategoryID = nextCategory.value_or(0);
    NextRecipeID = nextRecipe.value_or(0);
    statusPanel->setText(QStringLiteral("%1 Categories with %2 recipes")
                             .arg(dataSetCategories->recordCount())
                             .arg(dataSetRecipes->recordCount()));
    succeeded = nextCategory.has_value() && nextRecipe.has_value();
}

void TformMain::finishRebuild(bool succeeded, const QString& whyNotNumbered,
                              const QStringList& writeProblems) {
    m_gate.endRebuild(succeeded, whyNotNumbered);
    commandButtons->setEnabled(true);
    // Told once the command that rebuilt has returned, whichever way it ended;
    // both tables failing for one cause make one box.
    QStringList problems = writeProblems;
    problems.removeDuplicates();
    for (const QString& problem : problems)
        QMetaObject::invokeMethod(
            this, [this, problem] { m_writeReports->tell(problem); }, Qt::QueuedConnection);
    emit cookbookRebuilt();
    if (m_closeDeferred) {
        m_closeDeferred = false;
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    }
}

// A change saved in place needs no rebuild, but goes to its file at once, as
// every other command's change does: the table reopens on its records while
// they are written behind.
void TformMain::writeRecipesBehind() {
    if (!dataSetRecipes->isChanged())
        return;
    m_writeReports->beginCommand();
    if (const auto problem = dataSetRecipes->reload(savrona::recipesFileName))
        QMetaObject::invokeMethod(
            this, [this, message = problem->message()] { m_writeReports->tell(message); },
            Qt::QueuedConnection);
}

void TformMain::PumpPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TformMain::RefreshAndReturnToRoot() {
    RefreshCookbookTree();
    selectNode(m_tree->root());
    SelectedCategoryNode = m_tree->root();
}

TreeNode* TformMain::selectedNode() const {
    return m_tree->nodeAt(treeCategories->currentIndex());
}

void TformMain::selectNode(TreeNode* node) {
    treeCategories->setCurrentIndex(m_tree->indexOf(node));
}

// The selection switch.

void TformMain::treeCategoriesChange(TreeNode* node) {
    if (node == nullptr)
        return;
    if (node->absoluteIndex() == 0)
        showRootState(node);
    else if (node->parent->absoluteIndex() != 0)
        showRecipeState(node);
    else
        showCategoryState(node);
    Label2->setText(SelectedCategoryNode->text);
    Label2->adjustSize();
    // What the boxes show now is the node's; typing from here on is the user's.
    Edit1->setModified(false);
    Memo1->document()->setModified(false);
    Memo2->document()->setModified(false);
}

void TformMain::showRootState(TreeNode* node) {
    Edit1->clear();
    Edit1->setMaxLength(titleBoxLength);
    Edit1->setEnabled(false);
    Edit1->setText(selectCategoryPrompt);
    Memo1->clear();
    Memo1->setEnabled(false);
    Memo2->clear();
    Memo2->setEnabled(false);
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    setNodeCommandsEnabled(false, false);
    SelectedCategoryNode = node;
    RecipeSelected = false;
}

void TformMain::showCategoryState(TreeNode* node) {
    Edit1->setEnabled(true);
    Edit1->clear();
    Edit1->setMaxLength(titleBoxLength);
    Memo1->setEnabled(true);
    Memo1->clear();
    Memo2->setEnabled(true);
    Memo2->clear();
    Button1->setEnabled(true);
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    setNodeCommandsEnabled(true, false);
    RecipeSelected = false;
    SelectedCategoryNode = node;
}

void TformMain::showRecipeState(TreeNode* node) {
    SelectedCategoryNode = node->parent;
    SelectedRecipeNode = node;
    Edit1->setEnabled(true);
    Edit1->clear();
    Edit1->setMaxLength(titleBoxLength);
    Memo1->setEnabled(true);
    Memo2->setEnabled(true);
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    Button3->setEnabled(true);
    setNodeCommandsEnabled(false, true);

    Table& recipes = *dataSetRecipes;
    recipes.setFilter(savrona::lookup::recipeByTitle(node->text));
    recipes.setFiltered(true);
    if (recipes.recordCount() > 0) {
        const QString title = recipes.textByName("Title");
        // A title from a data file may be longer than a typed one: shown whole.
        Edit1->setMaxLength(std::max(titleBoxLength, static_cast<int>(title.size())));
        Edit1->setText(title);
        m_ingredients.show(recipes.textByName("Ingredients"));
        m_preparation.show(recipes.textByName("Preparation"));
    } else {
        Memo1->clear();
        Memo2->clear();
    }
    recipes.setFiltered(false);
    RecipeSelected = true;
}

void TformMain::setNodeCommandsEnabled(bool category, bool recipe) {
    Addnewcategory1->setEnabled(true);
    Editcategory1->setEnabled(category);
    Deletecategory1->setEnabled(category);
    ChangeCategory1->setEnabled(recipe);
    Exportrecipe1->setEnabled(recipe);
    Deleterecipe1->setEnabled(recipe);
}

void TformMain::treePopupPopup(TreeNode* nodeUnderPointer) {
    TreeNode* node = nodeUnderPointer != nullptr ? nodeUnderPointer : selectedNode();
    if (node != nullptr) {
        treeCategoriesChange(node);
        return;
    }
    // No node since the last rebuild: nothing may act on an older one.
    setNodeCommandsEnabled(false, false);
}

void TformMain::showTreePopup(const QModelIndex& nodeUnderPointer, const QPoint& globalPosition) {
    if (m_gate.isRebuilding())
        return;
    treePopupPopup(m_tree->nodeAt(nodeUnderPointer));
    treePopup->popup(globalPosition);
}

// Key presses.

bool TformMain::eventFilter(QObject* watched, QEvent* event) {
    // A key that an addition's shortcut takes (Ctrl+F) reaches the box only as
    // the shortcut's override: it counts as typed there all the same.
    const bool keyEvent =
        event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (keyEvent && typesCharacter(*static_cast<QKeyEvent*>(event))) {
        if (watched == Edit1)
            Edit1KeyPress();
        else if (watched == Memo1)
            Memo1KeyPress();
        else if (watched == Memo2)
            Memo2KeyPress();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TformMain::Edit1KeyPress() {
    Button2->setEnabled(RecipeSelected);
}

void TformMain::Memo1KeyPress() {
    Button2->setEnabled(RecipeSelected);
}

void TformMain::Memo2KeyPress() {
    Button2->setEnabled(RecipeSelected);
}

// The commands.

namespace {

savrona::RecipeTexts detailsPaneTexts(const QLineEdit& title,
                                      const savrona::RecordTextBox& ingredients,
                                      const savrona::RecordTextBox& preparation) {
    return {title.text(), ingredients.recordText(), preparation.recordText()};
}

} // namespace

void TformMain::Button1Click() {
    const QString categoryName = selectedCategoryName();
    const auto outcome = savrona::RecipeCommands(*this).addRecipe(
        categoryName, NextRecipeID, detailsPaneTexts(*Edit1, m_ingredients, m_preparation));
    if (outcome != savrona::RecipeOutcome::Rebuild)
        return;
    RefreshCookbookTree();
    Button1->setEnabled(false);
}

void TformMain::Button2Click() {
    if (SelectedRecipeNode == nullptr)
        return;
    const auto texts = detailsPaneTexts(*Edit1, m_ingredients, m_preparation);
    const auto outcome =
        savrona::RecipeCommands(*this).saveChanges(SelectedRecipeNode->text, texts);
    if (outcome != savrona::RecipeOutcome::RebuildAndSelectRecipe) {
        writeRecipesBehind();
        return;
    }
    RefreshCookbookTree();
    TreeNode* saved = recipeNodeTitled(texts.title);
    if (saved == nullptr)
        return;
    treeCategories->expand(m_tree->indexOf(saved->parent));
    selectNode(saved);
}

void TformMain::Button3Click() {
    Deleterecipe1Click();
}

void TformMain::Deleterecipe1Click() {
    if (SelectedRecipeNode == nullptr)
        return;
    const auto outcome = savrona::RecipeCommands(*this).deleteRecipe(SelectedRecipeNode->text);
    if (outcome == savrona::RecipeOutcome::RebuildAndReturnToRoot)
        RefreshAndReturnToRoot();
}

void TformMain::Addnewcategory1Click() {
    if (formAddNewCategory->exec() == QDialog::Accepted)
        RefreshAndReturnToRoot();
}

void TformMain::Editcategory1Click() {
    if (formEditCategory->exec() == QDialog::Accepted)
        RefreshAndReturnToRoot();
}

void TformMain::Deletecategory1Click() {
    if (savrona::CategoryCommands(*this).deleteCategory(selectedCategoryName()))
        RefreshAndReturnToRoot();
}

void TformMain::ChangeCategory1Click() {
    if (formChangeCategory->exec() == QDialog::Accepted)
        RefreshAndReturnToRoot();
}

void TformMain::Exportrecipe1Click() {
    savrona::exportRecipe(*m_platform.saveDialog, this, shownRecipe(), dataFolder());
}

void TformMain::About1Click() {
    formAbout->exec();
}

void TformMain::SavronaOnLine1Click() {
    m_platform.urls->open(QUrl(savrona::webAddress));
}

TreeNode* TformMain::recipeNodeTitled(const QString& title) const {
    for (const auto& category : m_tree->root()->children)
        for (const auto& recipe : category->children)
            if (recipe->text == title)
                return recipe.get();
    return nullptr;
}

// What the dialogs read and write.

Table& TformMain::categories() {
    return *dataSetCategories;
}

Table& TformMain::recipes() {
    return *dataSetRecipes;
}

QString TformMain::selectedCategoryName() const {
    return SelectedCategoryNode != nullptr ? SelectedCategoryNode->text : QString();
}

QString TformMain::recipeTitleBoxText() const {
    return Edit1->text();
}

std::int32_t TformMain::nextCategoryId() const {
    return NextCategoryID;
}

savrona::MessageBoxes& TformMain::messages() {
    return *m_platform.messages;
}

// AdditionsHost.

const savrona::DataFolder& TformMain::dataFolder() const {
    return *dataSetRecipes->dataFolder();
}

QMenu& TformMain::additionsMenu() {
    if (m_additionsMenu == nullptr) {
        m_additionsMenu = new QMenu(QStringLiteral("&Cookbook"), MainMenu);
        m_additionsMenu->setObjectName(QStringLiteral("Cookbook1"));
        MainMenu->insertMenu(Help1->menuAction(), m_additionsMenu);
    }
    return *m_additionsMenu;
}

void TformMain::addTreeMenuItem(QAction* item, NodeKind enabledOn) {
    if (!m_treeMenuHasAdditions) {
        treePopup->addSeparator();
        m_treeMenuHasAdditions = true;
    }
    treePopup->addAction(item);
    // The designed item that is enabled on exactly that kind of node.
    QAction* sameKind = enabledOn == NodeKind::Category ? Editcategory1 : Exportrecipe1;
    item->setEnabled(sameKind->isEnabled());
    connect(sameKind, &QAction::enabledChanged, item, &QAction::setEnabled);
}

// The pane's label and title as shown, the two texts as the record holds them.
savrona::ExportedRecipe TformMain::shownRecipe() const {
    return {Label2->text(), Edit1->text(), m_ingredients.recordText(), m_preparation.recordText()};
}

TformMain::DetailsPaneTexts TformMain::typedDetails() const {
    return {Edit1->text(), Memo1->toPlainText(), Memo2->toPlainText(),
            Edit1->isModified() || Memo1->document()->isModified() ||
                Memo2->document()->isModified()};
}

void TformMain::restoreTypedDetails(const DetailsPaneTexts& texts) {
    if (!Edit1->isEnabled())
        return;
    Edit1->setText(texts.title);
    Memo1->setPlainText(texts.ingredients);
    Memo2->setPlainText(texts.preparation);
    Edit1->setModified(texts.typed);
    Memo1->document()->setModified(texts.typed);
    Memo2->document()->setModified(texts.typed);
}

void TformMain::takeTreeDrops(std::function<bool(const QMimeData&)> accepts,
                              std::function<void(const QMimeData&, const QString&)> drop) {
    new savrona::TreeDropTarget(*treeCategories, *m_tree, std::move(accepts), std::move(drop));
}

std::int32_t TformMain::nextRecipeId() const {
    return NextRecipeID;
}

void TformMain::runCommand(CommandGate::Effect effect, const std::function<void()>& command) {
    reportingErrors([this, effect, &command] { m_gate.run(effect, command); });
}

void TformMain::whenRebuilt(QObject* context, const std::function<void()>& callback) {
    connect(
        this, &TformMain::cookbookRebuilt, context, [callback] { reportingErrors(callback); },
        Qt::QueuedConnection);
}

void TformMain::showNode(TreeNode* node) {
    treeCategories->expand(m_tree->indexOf(node->parent));
    selectNode(node);
    treeCategories->scrollTo(m_tree->indexOf(node));
}
