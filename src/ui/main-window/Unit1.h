#pragma once

// The main window of Savrona.
//
// How a command flows: the tree reports a change of selection (or its context
// menu is about to open) -> treeCategoriesChange sets the details pane, the
// enabled states and SelectedCategoryNode / SelectedRecipeNode -> a command
// (bound through the CommandGate) looks its records up by filter expressions
// on a node's or box's text -> writes the tables -> RefreshCookbookTree (or
// RefreshAndReturnToRoot) closes both tables, which writes a changed table to
// its data file, reopens them from the files, brings the tree in line with
// them (CookbookTreeUpdate: in place, or by a walk of every record) and
// recomputes the next IDs and the totals.
//
// Every handler runs through SavronaApplication::runReportingErrors: an error
// ends the handler where it stands and is shown in the application's error box.
//
// Pieces of its own: CookbookTreeModel / CookbookTreeView (the tree),
// WindowPlacement (the stored bounds), PanelSplitter and AnchorLayout (the
// layout), CommandGate (what may run during and after a rebuild).

#include "data/engine/Table.h"
#include "platform/seams/PlatformSeams.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/main-window/CommandGate.h"
#include "ui/main-window/RecordTextBoxes.h"
#include "ui/main-window/WriteBehindReports.h"

#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QWidget;

namespace savrona {
class CookbookTreeModel;
class CookbookTreeUpdate;
class CookbookTreeView;
class PanelSplitter;
struct PlacementValues;
struct TreeNode;
} // namespace savrona

class TformMain : public QMainWindow, public savrona::AdditionsHost {
    Q_OBJECT
public:
    // The data files are read and written in dataFolder for the whole run; by
    // default in the current directory, held from now on (DataFolder.h).
    explicit TformMain(savrona::Platform& platform, const QString& dataFolder = QString(),
                       QWidget* parent = nullptr);
    ~TformMain() override;

    // The cookbook tables.
    std::unique_ptr<savrona::Table> dataSetCategories;
    std::unique_ptr<savrona::Table> dataSetRecipes;

    // Menus.
    QMenuBar* MainMenu = nullptr;
    QMenu* File1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* SavronaOnLine1 = nullptr;
    QAction* N1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* treePopup = nullptr;
    QAction* Addnewcategory1 = nullptr;
    QAction* N2 = nullptr;
    QAction* Editcategory1 = nullptr;
    QAction* Deletecategory1 = nullptr;
    QAction* N3 = nullptr;
    QAction* ChangeCategory1 = nullptr;
    QAction* Exportrecipe1 = nullptr;
    QAction* Deleterecipe1 = nullptr;

    // Controls.
    QStatusBar* StatusBar = nullptr;
    QLabel* statusPanel = nullptr; // the status bar's one panel
    savrona::PanelSplitter* Splitter1 = nullptr;
    QFrame* panelLeft = nullptr;
    QLabel* panelCaption1 = nullptr;
    savrona::CookbookTreeView* treeCategories = nullptr;
    QFrame* panelRight = nullptr;
    QLabel* panelCaption2 = nullptr;
    QFrame* panelSelectedCategory = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label5 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QWidget* commandButtons = nullptr; // holds the three buttons, so a rebuild can hold them off
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    // State. The node references do not own their nodes; a rebuild clears them.
    savrona::TreeNode* SelectedCategoryNode = nullptr;
    savrona::TreeNode* SelectedRecipeNode = nullptr;
    bool RecipeSelected = false;
    std::int32_t NextCategoryID = 0;
    std::int32_t NextRecipeID = 0;

    const savrona::CommandGate& commandGate() const { return m_gate; }

    // The tree.
    void RefreshCookbookTree();
    void RefreshAndReturnToRoot();
    void PumpPendingMessages();

    // The selection switch and the context menu's preparation. With no node
    // under the pointer, the tree's selected node counts.
    void treeCategoriesChange(savrona::TreeNode* node);
    void treePopupPopup(savrona::TreeNode* nodeUnderPointer = nullptr);
    savrona::TreeNode* selectedNode() const;
    void selectNode(savrona::TreeNode* node);

    // Character key presses in the three boxes.
    void Edit1KeyPress();
    void Memo1KeyPress();
    void Memo2KeyPress();

    void FormCreate();
    void FormActivate();
    void FormClose();
    void Exit1Click();

    // The commands.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Deleterecipe1Click();
    void Addnewcategory1Click();
    void Editcategory1Click();
    void Deletecategory1Click();
    void ChangeCategory1Click();
    void Exportrecipe1Click();
    void About1Click();
    void SavronaOnLine1Click();

    // CookbookAccess, for the dialogs.
    savrona::Table& categories() override;
    savrona::Table& recipes() override;
    QString selectedCategoryName() const override;
    QString recipeTitleBoxText() const override;
    std::int32_t nextCategoryId() const override;
    savrona::MessageBoxes& messages() override;

    // AdditionsHost, for the additions beside the designed window.
    QWidget& mainWindow() override { return *this; }
    savrona::Platform& platform() override { return m_platform; }
    const savrona::DataFolder& dataFolder() const override;
    QMenu& additionsMenu() override;
    void addTreeMenuItem(QAction* item, NodeKind enabledOn) override;
    savrona::ExportedRecipe shownRecipe() const override;
    std::int32_t nextRecipeId() const override;
    void runCommand(savrona::CommandGate::Effect effect,
                    const std::function<void()>& command) override;
    bool isRebuilding() const override { return m_gate.isRebuilding(); }
    void rebuildAndReturnToRoot() override { RefreshAndReturnToRoot(); }
    void whenRebuilt(QObject* context, const std::function<void()>& callback) override;
    void rebuildTree() override { RefreshCookbookTree(); }
    void writeChangedRecipes() override { writeRecipesBehind(); }
    DetailsPaneTexts typedDetails() const override;
    void restoreTypedDetails(const DetailsPaneTexts& texts) override;
    savrona::TreeNode* selectedTreeNode() const override { return selectedNode(); }
    void takeTreeDrops(std::function<bool(const QMimeData&)> accepts,
                       std::function<void(const QMimeData&, const QString&)> drop) override;
    savrona::CookbookTreeModel& cookbookTree() override { return *m_tree; }
    void showNode(savrona::TreeNode* node) override;

signals:
    // At the end of every rebuild of the tree, whether it succeeded or not.
    void cookbookRebuilt();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Built in Unit1Layout.cpp.
    void createControls();
    void createMenus();
    void createStatusBar();
    QFrame* createTreeSide();
    QFrame* createDetailsPane();
    void setFocusOrder();
    void bindHandlers();
    void bindHandler(QAction* item, void (TformMain::*handler)());
    void bindCommand(QObject* sender, void (TformMain::*handler)(),
                     savrona::CommandGate::Effect effect);
    // Runs a handler through the application object, which shows the error
    // it may end with; no error unwinds through Qt's frames.
    static void reportingErrors(const std::function<void()>& handler);

    // The recipe node of that title under any category, if the tree has one.
    savrona::TreeNode* recipeNodeTitled(const QString& title) const;
    void showRootState(savrona::TreeNode* node);
    void showCategoryState(savrona::TreeNode* node);
    void showRecipeState(savrona::TreeNode* node);
    void setNodeCommandsEnabled(bool category, bool recipe);
    void finishRebuild(bool succeeded, const QString& whyNotNumbered,
                       const QStringList& writeProblems);
    void applyPlacement(const savrona::PlacementValues& values);
    void reportFailure(const QString& message);
    void writeRecipesBehind();
    void showTreePopup(const QModelIndex& nodeUnderPointer, const QPoint& globalPosition);

    savrona::Platform& m_platform;
    savrona::CookbookTreeModel* m_tree = nullptr;
    std::unique_ptr<savrona::CookbookTreeUpdate> m_treeUpdate;
    savrona::RecordTextBox m_ingredients;
    savrona::RecordTextBox m_preparation;
    savrona::CommandGate m_gate;
    QMenu* m_additionsMenu = nullptr;
    bool m_treeMenuHasAdditions = false;
    bool m_activated = false;
    bool m_closeDeferred = false;
    // Destroyed before the tables.
    std::unique_ptr<savrona::WriteBehindReports> m_writeReports;
};

extern TformMain* formMain;
