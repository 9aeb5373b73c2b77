// Wires the collection import and export into the main window's menus and runs them.
#include "ui/exchange/ImportExportController.h"

#include "cookbook/exchange/CollectionExport.h"
#include "cookbook/exchange/ImportPlan.h"
#include "ui/exchange/ImportReading.h"
#include "cookbook/exchange/ImportSummary.h"
#include "ui/exchange/ImportSummaryDialog.h"
#include "cookbook/exchange/RecipeExport.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/Unit1.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QScopeGuard>

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

ImportExportController::ImportExportController(TformMain& window)
    : QObject(&window), m_window(window) {
    m_importRecipes = new QAction(QStringLiteral("&Import recipes..."), this);
    m_exportCookbook = new QAction(QStringLiteral("&Export cookbook..."), this);
    m_window.File1->insertActions(m_window.Exit1, {m_importRecipes, m_exportCookbook});
    m_window.File1->insertSeparator(m_window.Exit1);

    m_exportCategory = new QAction(QStringLiteral("Export ca&tegory..."), this);
    m_exportCategory->setEnabled(false);
    m_window.treePopup->insertAction(m_window.N3, m_exportCategory);
    // The selection switch has just run for the node the menu opens on; the
    // category items tell whether that is a category.
    connect(m_window.treePopup, &QMenu::aboutToShow, this,
            [this] { m_exportCategory->setEnabled(m_window.Editcategory1->isEnabled()); });

    using Effect = CommandGate::Effect;
    bind(m_importRecipes, &ImportExportController::importRecipes, Effect::AddsRecord);
    // The export walks the tables, which a rebuild must have to itself.
    bind(m_exportCookbook, &ImportExportController::exportCookbook, Effect::ChangesCookbook);
    bind(m_exportCategory, &ImportExportController::exportCategory, Effect::ChangesCookbook);
}

void ImportExportController::bind(QAction* item, void (ImportExportController::*command)(),
                                  CommandGate::Effect effect) {
    connect(item, &QAction::triggered, this, [this, command, effect] {
        SavronaApplication::runReportingErrors([this, command, effect] {
            m_window.commandGate().run(effect, [this, command] { (this->*command)(); });
        });
    });
}

void ImportExportController::importRecipes() {
    FileDialogs* dialogs = m_window.platform().fileDialogs;
    if (dialogs == nullptr)
        return;
    const QStringList files =
        dialogs->chooseFilesToOpen(&m_window, QStringLiteral("Import recipes"), importFileTypes);
    if (!files.isEmpty())
        importFiles(files);
}

void ImportExportController::importFiles(const QStringList& files) {
    std::optional<RecipeBatch> batch = ImportReading::read(&m_window, files);
    if (!batch)
        return;
    ImportPlan plan = planImport(m_window.categories(), m_window.recipes(), std::move(*batch));
    if (!ImportSummaryDialog(&m_window, summarizeImport(plan)).askToImport())
        return;
    addImport(std::move(plan), m_window.categories(), m_window.recipes(), m_window.NextCategoryID,
              m_window.NextRecipeID);
    m_window.RefreshAndReturnToRoot();
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
        dialogs->chooseFileToSave(&m_window, caption, proposedName, exportFileTypes);
    if (!choice)
        return;
    // A large cookbook takes some seconds to lay out: it shows how far it got
    // and may be stopped before anything is written.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    const std::vector<RecipeEntry> recipes =
        recipesForExport(m_window.categories(), m_window.recipes(), categoryName);
    QProgressDialog progress(QStringLiteral("Exporting recipes..."), QStringLiteral("Cancel"), 0,
                             int(recipes.size()), &m_window);
    progress.setWindowTitle(caption);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(ImportReading::quietMilliseconds);
    try {
        exportCollection(choice->path, formatFor(*choice), recipes,
                         *m_window.dataSetRecipes->dataFolder(), [&progress](std::size_t laidOut) {
                             progress.setValue(int(laidOut));
                             return !progress.wasCanceled();
                         });
    } catch (const ExportCancelled&) {
        // Stopped by the user: the file was not written.
    }
}

} // namespace savrona
