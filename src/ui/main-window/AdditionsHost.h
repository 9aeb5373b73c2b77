#pragma once

// What the additions beside the designed window (find, print, import and export, card)
// may ask of the main window. They reach it only through this interface, never
// through its controls.

#include "cookbook/CookbookAccess.h"
#include "cookbook/exchange/RecipeExport.h"
#include "ui/main-window/CommandGate.h"

#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QMimeData;
class QObject;
class QWidget;

namespace savrona {

class CookbookTreeModel;
class DataFolder;
struct TreeNode;

class AdditionsHost : public CookbookAccess {
public:
    // The kind of node a tree menu item of an addition is enabled on.
    enum class NodeKind { Category, Recipe };

    // The main window: the parent of an addition's windows and dialogs.
    virtual QWidget& mainWindow() = 0;
    virtual Platform& platform() = 0;
    // The folder of the data files, which no export may write onto.
    virtual const DataFolder& dataFolder() const = 0;

    // The additions' own menu on the menu bar, between File and Help.
    virtual QMenu& additionsMenu() = 0;
    // Appends an item to the tree's context menu after the designed items,
    // below one separator, enabled while the selected node is of that kind.
    virtual void addTreeMenuItem(QAction* item, NodeKind enabledOn) = 0;

    // The recipe the details pane shows, with its texts as stored.
    virtual ExportedRecipe shownRecipe() const = 0;
    virtual std::int32_t nextRecipeId() const = 0;

    // Runs an addition's command through the window's command gate, as its own
    // commands run; an error reaches the application's error box.
    virtual void runCommand(CommandGate::Effect effect, const std::function<void()>& command) = 0;
    virtual bool isRebuilding() const = 0;
    // Rebuilds the tree from the tables and selects the root.
    virtual void rebuildAndReturnToRoot() = 0;
    // Calls back after every rebuild of the tree, once the command around it has ended.
    virtual void whenRebuilt(QObject* context, const std::function<void()>& callback) = 0;

    // Rebuilds the tree from the tables, writing a changed table first, as a command's
    // rebuild does; the selection is the caller's to restore.
    virtual void rebuildTree() = 0;
    // Writes the recipes table to its file once an addition changed a record in place,
    // as Save Changes does when no rebuild follows.
    virtual void writeChangedRecipes() = 0;

    // What the details pane's three boxes hold, and whether the user typed in them since
    // the selected node was shown.
    struct DetailsPaneTexts {
        QString title;
        QString ingredients;
        QString preparation;
        bool typed = false;
    };
    virtual DetailsPaneTexts typedDetails() const = 0;
    // Puts what the user typed back, once a rebuild has shown the node again.
    virtual void restoreTypedDetails(const DetailsPaneTexts& texts) = 0;

    virtual TreeNode* selectedTreeNode() const = 0;

    // Lets the tree take drops that accepts takes (files, links); drop gets them with the
    // category they landed on, empty when none, once the drag has ended.
    virtual void takeTreeDrops(std::function<bool(const QMimeData&)> accepts,
                               std::function<void(const QMimeData&, const QString&)> drop) = 0;
    virtual CookbookTreeModel& cookbookTree() = 0;
    // Selects a node as a click would, with its category expanded and the node scrolled to.
    virtual void showNode(TreeNode* node) = 0;
};

} // namespace savrona
