// Wires the collection import and export into the main window's menus and runs them.
#include "ui/exchange/ImportExportController.h"

#include "cookbook/exchange/CollectionExport.h"
#include "cookbook/exchange/ImportPlan.h"
#include "cookbook/exchange/ImportSummary.h"
#include "cookbook/exchange/RecipeExport.h"
#include "platform/SavronaApplication.h"
#include "ui/exchange/ImportReading.h"
#include "ui/exchange/ImportSummaryDialog.h"
#include "ui/main-window/AdditionsHost.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QWidget>

namespace savrona {

const QStringList ImportExportController::importFileTypes{
    QStringLiteral("Recipe files (*.mmf *.mm *.txt *.json *.html *.htm)"),
    QStringLiteral("MealMaster (*.mmf *.mm *.txt)"),
    QStringLiteral("schema.org Recipe JSON-LD (*.json *.html *.htm)"),
    QStringLiteral("Exported recipes (*.txt)"),
    QStringLiteral("All files (*)"),
};

const QStringList ImportExportController::exportFileTypes{
    QStringLiteral("MealMaster (*.mmf)"),
    QStringLiteral("schema.org Recipe JSON-LD (*.json)"),
};

namespace {

// The type the file's own extension names, else the type chosen in the dialog.
CollectionFormat formatFor(const FileDialogs::SaveChoice& choice) {
    const QString extension = QFileInfo(choice.path).suffix().toLower();
    if (extension == QStringLiteral("json"))
        return CollectionFormat::RecipeJson;
    if (extension == QStringLiteral("mmf") || extension == QStringLiteral("mm"))
        return CollectionFormat::MealMaster;
    return choice.fileType == 1 ? CollectionFormat::RecipeJson : CollectionFormat::MealMaster;
}

} // namespace

ImportExportController::ImportExportController(AdditionsHost& window)
    : QObject(&window.mainWindow()), m_window(window) {
    m_importRecipes = m_window.additionsMenu().addAction(QStringLiteral("&Import recipes..."));
    m_exportCookbook = m_window.additionsMenu().addAction(QStringLiteral("&Export cookbook..."));
    m_exportCategory = new QAction(QStringLiteral("Export ca&tegory..."), this);
    m_window.addTreeMenuItem(m_exportCategory, AdditionsHost::NodeKind::Category);

    using Effect = CommandGate::Effect;
    bind(m_importRecipes, &ImportExportController::importRecipes, Effect::AddsRecord);
    // The export walks the tables, which a rebuild must have to itself.
    bind(m_exportCookbook, &ImportExportController::exportCookbook, Effect::ChangesCookbook);
    bind(m_exportCategory, &ImportExportController::exportCategory, Effect::ChangesCookbook);
}

void ImportExportController::bind(QAction* item, void (ImportExportController::*command)(),
                                  CommandGate::Effect effect) {
    connect(item, &QAction::triggered, this, [this, command, effect] {
        m_window.runCommand(effect, [this, command] { (this->*command)(); });
    });
}

void ImportExportController::importRecipes() {
    FileDialogs* dialogs = m_window.platform().fileDialogs;
    if (dialogs == nullptr)
        return;
    const QStringList files = dialogs->chooseFilesToOpen(
        &m_window.mainWindow(), QStringLiteral("Import recipes"), importFileTypes);
    if (!files.isEmpty())
        importFiles(files);
}

void ImportExportController::importFiles(const QStringList& files,
                                         const std::optional<QString>& intoCategory) {
    std::optional<RecipeBatch> batch = ImportReading::read(&m_window.mainWindow(), files);
    if (batch)
        importBatch(std::move(*batch), intoCategory);
}

void ImportExportController::importBatch(RecipeBatch batch,
                                         const std::optional<QString>& intoCategory) {
    if (intoCategory)
        for (RecipeEntry& recipe : batch.recipes)
            recipe.categories = {intoCategory->toUtf8()};
    ImportPlan plan = planImport(m_window.categories(), m_window.recipes(), std::move(batch));
    if (!ImportSummaryDialog(&m_window.mainWindow(), summarizeImport(plan)).askToImport())
        return;
    addImport(std::move(plan), m_window.categories(), m_window.recipes(), m_window.nextCategoryId(),
              m_window.nextRecipeId());
    m_window.rebuildAndReturnToRoot();
}

void ImportExportController::exportCookbook() {
    exportRecipes(std::nullopt, QStringLiteral("Export cookbook"), QStringLiteral("My Cookbook"));
}

void ImportExportController::exportCategory() {
    const QString name = m_window.selectedCategoryName();
    exportRecipes(name, QStringLiteral("Export category"), proposedExportFileName(name));
}

void ImportExportController::exportRecipes(const std::optional<QString>& categoryName,
                                           const QString& caption, const QString& proposedName) {
    FileDialogs* dialogs = m_window.platform().fileDialogs;
    if (dialogs == nullptr)
        return;
    const std::optional<FileDialogs::SaveChoice> choice =
        dialogs->chooseFileToSave(&m_window.mainWindow(), caption, proposedName, exportFileTypes);
    if (!choice)
        return;
    // A large cookbook takes some seconds to lay out: it shows how far it got
    // and may be stopped before anything is written.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    const std::vector<RecipeEntry> recipes =
        recipesForExport(m_window.categories(), m_window.recipes(), categoryName);
    QProgressDialog progress(QStringLiteral("Exporting recipes..."), QStringLiteral("Cancel"), 0,
                             int(recipes.size()), &m_window.mainWindow());
    progress.setWindowTitle(caption);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(ImportReading::quietMilliseconds);
    try {
        exportCollection(choice->path, formatFor(*choice), recipes, m_window.dataFolder(),
                         [&progress](std::size_t laidOut) {
                             progress.setValue(int(laidOut));
                             return !progress.wasCanceled();
                         });
    } catch (const ExportCancelled&) {
        // Stopped by the user: the file was not written.
    }
}

} // namespace savrona
