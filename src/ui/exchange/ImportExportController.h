#pragma once

// The collection import and export: their menu items in the main window and the commands
// behind them.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "ui/main-window/CommandGate.h"

#include <QObject>
#include <QStringList>

#include <optional>

class QAction;

namespace savrona {

class AdditionsHost;

// Adds "&Import recipes..." and "&Export cookbook..." to the additions' menu
// of the main window, and "Export ca&tegory..." to the additions of the tree's
// context menu, enabled on a category. The
// commands run through the window's command gate, like its own, and report
// their errors through the application's error box.
class ImportExportController : public QObject {
    Q_OBJECT
public:
    explicit ImportExportController(AdditionsHost& window);

    QAction* importRecipesItem() const { return m_importRecipes; }
    QAction* exportCookbookItem() const { return m_exportCookbook; }
    QAction* exportCategoryItem() const { return m_exportCategory; }

    // Asks for files and imports them.
    void importRecipes();
    // Reads the files (with a progress dialog when it takes a while), shows
    // what would be added, and on Import adds it all and rebuilds the tree
    // once. Cancel at either point changes nothing.
    // Given a category, every recipe goes into it, whatever its file says.
    void importFiles(const QStringList& files,
                     const std::optional<QString>& intoCategory = std::nullopt);
    // Shows what the recipes read would add, and on Import adds them and rebuilds.
    void importBatch(RecipeBatch batch, const std::optional<QString>& intoCategory = std::nullopt);
    // Asks for a file and a file type and writes the whole cookbook, or the
    // category the context menu was opened on.
    void exportCookbook();
    void exportCategory();

    static const QStringList importFileTypes;
    static const QStringList exportFileTypes; // MealMaster, then JSON-LD

private:
    void bind(QAction* item, void (ImportExportController::*command)(), CommandGate::Effect effect);
    void exportRecipes(const std::optional<QString>& categoryName, const QString& caption,
                       const QString& proposedName);

    AdditionsHost& m_window;
    QAction* m_importRecipes = nullptr;
    QAction* m_exportCookbook = nullptr;
    QAction* m_exportCategory = nullptr;
};

} // namespace savrona
