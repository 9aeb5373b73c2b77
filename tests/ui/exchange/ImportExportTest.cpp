// The collection import and export in the main window: their menu items, the summary
// answered Import or Cancel, the progress dialog's Cancel, and the files exported.
#include "ui/GuiTestSupport.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "ui/exchange/ImportExportController.h"
#include "ui/exchange/ImportReading.h"
#include "ui/exchange/ImportSummaryDialog.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona::testing {
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray mealMasterRecipe(const QByteArray& title, const QByteArray& category) {
    return "MMMMM----- Recipe via Meal-Master\r\n      Title: " + title +
           "\r\n Categories: " + category + "\r\n\r\n      1 c  Flour\r\n\r\n  Bake.\r\nMMMMM\r\n";
}

class ImportExport : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
        controller = window->findChild<ImportExportController*>();
        ASSERT_NE(controller, nullptr);
        recipesFileBefore = readAll(folder.filePath("recipes.xml"));
    }

    QString importFile(const QByteArray& content) {
        const QString path = inputs.filePath("input.mmf");
        writeFile(path, content);
        return path;
    }

    ImportExportController* controller = nullptr;
    QTemporaryDir inputs;
    QByteArray recipesFileBefore;
};

TEST_F(ImportExport, ExportCategoryIsEnabledOnACategoryOnly) {
    for (const auto& [nodeText, enabled] :
         {std::pair{"Soups", true}, std::pair{"Tomato soup", false},
          std::pair{"My Cookbook", false}}) {
        window->treePopupPopup(node(nodeText));
        emit window->treePopup->aboutToShow();
        EXPECT_EQ(controller->exportCategoryItem()->isEnabled(), enabled) << nodeText;
    }
}

TEST_F(ImportExport, ImportAddsEverythingAndRebuildsOnce) {
    fake.fileDialogs.filesToOpen = {importFile(mealMasterRecipe("Rye bread", "Breads") +
                                               mealMasterRecipe("Tomato soup", "Soups") +
                                               mealMasterRecipe("Plum jam", "Preserves"))};
    QString question;
    answerSummary("&Import", &question);
    controller->importRecipesItem()->trigger();

    EXPECT_EQ(fake.fileDialogs.openTypes, ImportExportController::importFileTypes);
    EXPECT_EQ(question, "Import 3 recipes into 3 categories (1 new)?");
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('|').toStdString();
    EXPECT_EQ(statusText(), "4 Categories with 8 recipes");
    EXPECT_NE(node("Tomato soup (2)"), nullptr);
    EXPECT_EQ(node("Plum jam")->parent, node("Preserves"));
    EXPECT_EQ(window->selectedNode(), window->cookbookTree().root());
    waitForWrites();
    EXPECT_TRUE(readAll(folder.filePath("recipes.xml")).contains("Plum jam"));
}

TEST_F(ImportExport, CancelInTheSummaryChangesNothing) {
    fake.fileDialogs.filesToOpen = {importFile(mealMasterRecipe("Rye bread", "Breads"))};
    answerSummary("Cancel");
    controller->importRecipesItem()->trigger();
    window->RefreshCookbookTree();
    EXPECT_EQ(node("Rye bread"), nullptr);
    EXPECT_EQ(readAll(folder.filePath("recipes.xml")), recipesFileBefore);
}

TEST_F(ImportExport, NothingToImportOffersOnlyOk) {
    fake.fileDialogs.filesToOpen = {importFile("no recipes here\r\n")};
    QString question;
    answerSummary("OK", &question);
    controller->importRecipesItem()->trigger();
    EXPECT_EQ(question, "There is nothing to import.");
    EXPECT_EQ(readAll(folder.filePath("recipes.xml")), recipesFileBefore);
}

// A reading that takes longer than the quiet half second, until it is
// cancelled (at most ten seconds, so that a cancel lost fails the test). The
// progress dialog stays up, saying so, until the reading has stopped.
TEST_F(ImportExport, CancelInTheProgressDialogChangesNothing) {
    std::atomic<bool> cancelSeen{false};
    const auto slowReading = [&](ImportProgress& progress) {
        progress.setTotal(1000);
        for (int step = 0; step < 1000; ++step) {
            if (progress.isCancelled()) {
                cancelSeen = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                throw ImportCancelled();
            }
            progress.advance(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return RecipeBatch{};
    };
    bool progressShown = false;
    QString labelWhileStopping;
    bool buttonOffWhileStopping = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress == nullptr)
            return;
        if (!progressShown) {
            progressShown = true;
            progress->findChild<QPushButton*>()->click();
        } else if (progress->isVisible() && cancelSeen) {
            labelWhileStopping = progress->labelText();
            buttonOffWhileStopping = !progress->findChild<QPushButton*>()->isEnabled();
        }
    });
    canceller.start(20);
    const std::optional<RecipeBatch> batch = ImportReading::read(window.get(), slowReading);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(cancelSeen);
    EXPECT_EQ(labelWhileStopping, "Cancelling...");
    EXPECT_TRUE(buttonOffWhileStopping);
    EXPECT_FALSE(batch.has_value());
    EXPECT_EQ(readAll(folder.filePath("recipes.xml")), recipesFileBefore);
}

// A pipe chosen in the file dialog is never waited on: the summary says the
// file could not be read, and why.
TEST_F(ImportExport, APipeIsRefusedAtOnce) {
    const QString pipe = inputs.filePath("endless.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // Should the import wait on the pipe, a writer that comes and goes ends
    // the wait, so that the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread unblocker([&] {
        for (int wait = 0; wait < 500 && !done; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done)
            ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    });
    fake.fileDialogs.filesToOpen = {pipe};
    SummaryTexts summary;
    answerSummary("OK", &summary.question, &summary);
    QElapsedTimer timer;
    timer.start();
    controller->importRecipesItem()->trigger();
    const qint64 elapsed = timer.elapsed();
    done = true;
    unblocker.join();
    EXPECT_LT(elapsed, 5000);
    EXPECT_EQ(summary.question, "There is nothing to import.");
    EXPECT_EQ(summary.counts, "1 file could not be read.");
    EXPECT_EQ(summary.details, "Files that could not be read:\n"
                               "endless.json: this is a device or a pipe, not a file");
}

TEST_F(ImportExport, ExportWritesTheCookbookOrOneCategoryInTheTypeChosen) {
    const QString path = inputs.filePath("all.json");
    // The extension the user typed wins over the type left selected.
    fake.fileDialogs.saveChoice = FileDialogs::SaveChoice{path, 0};
    controller->exportCookbookItem()->trigger();
    EXPECT_EQ(fake.fileDialogs.saveCaption, "Export cookbook");
    EXPECT_EQ(fake.fileDialogs.proposedName, "My Cookbook");
    const QByteArray json = readAll(path);
    EXPECT_TRUE(json.startsWith("[\n{"));
    EXPECT_TRUE(json.indexOf("Cheese puffs") < json.indexOf("Grandma's stew"));
    EXPECT_FALSE(json.contains("Lost recipe"));

    const QString mealMaster = inputs.filePath("soups");
    fake.fileDialogs.saveChoice = FileDialogs::SaveChoice{mealMaster, 0};
    window->treePopupPopup(node("Soups"));
    emit window->treePopup->aboutToShow();
    controller->exportCategoryItem()->trigger();
    EXPECT_EQ(fake.fileDialogs.saveCaption, "Export category");
    EXPECT_EQ(fake.fileDialogs.proposedName, "Soups");
    const QByteArray soups = readAll(mealMaster);
    EXPECT_EQ(soups.count("MMMMM----- Recipe via Meal-Master"), 2);
    EXPECT_TRUE(soups.contains("      Title: Tomato soup\r\n Categories: Soups\r\n"));
}

TEST_F(ImportExport, ExportRefusesADataFileOfTheCookbook) {
    fake.fileDialogs.saveChoice = FileDialogs::SaveChoice{folder.filePath("recipes.xml"), 1};
    controller->exportCookbookItem()->trigger();
    EXPECT_EQ(readAll(folder.filePath("recipes.xml")), recipesFileBefore);
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_TRUE(fake.messages.shown.front().text.startsWith(
        "Cannot export to recipes.xml: it is one of the cookbook's data files."));
}

} // namespace
} // namespace savrona::testing
