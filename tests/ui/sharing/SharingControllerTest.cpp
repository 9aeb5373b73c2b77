// The main window on a shared folder: what another computer's sync engine puts there shows
// in the window by itself, at rest, with the selection and the user's typing kept.
#include "ui/GuiTestSupport.h"

#include "cookbook/sharing/SharedFolder.h"
#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "ui/MainWindowAssembly.h"
#include "ui/sharing/SharingController.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace savrona::testing {
namespace {

const std::vector<RecipeRecord> smallCookbookRecipes{
    {10, 1, QString("Zucchini bites"), "2 zucchini\r\nsalt", "Slice.\r\nBake."},
    {4, 3, QString("Tomato soup"), "Tomatoes", "Simmer."},
    {11, 1, QString("Cheese puffs"), "Cheese", "Puff."},
    {12, 3, QString("Grandma's stew"), "Beef", "Stew."},
    {40, 99, QString("Lost recipe"), "", ""}};

constexpr int mergeTimeoutMs = 10000;

class SharingControllerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        window = createMainWindow(fake.platform, folder.path(), state.path());
        window->show();
        QCoreApplication::processEvents();
        controller = window->findChild<SharingController*>();
        ASSERT_NE(controller, nullptr);
        // The first look keeps the files read at start as this computer's own versions.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(state.path() + "/own-recipes.xml"), mergeTimeoutMs);
    }

    // Another computer's recipes.xml, put in place as a sync engine does.
    void arrive(const std::vector<RecipeRecord>& recipes, const QString& fileName = "recipes.xml") {
        QThread::msleep(5);
        writeDataFileAtomically(
            QDir(folder.path()).filePath(fileName),
            writeXmlPacket(Packet{recipesTableDefinition().fields, recipeTableRows(recipes)}),
            fileName);
    }
    std::vector<RecipeRecord> withRecipe(const RecipeRecord& recipe) const {
        auto recipes = smallCookbookRecipes;
        recipes.push_back(recipe);
        return recipes;
    }

    QTemporaryDir state;
    SharingController* controller = nullptr;
};

TEST_F(SharingControllerTest, AVersionFromAnotherComputerShowsWithTheSelectionAndTypingKept) {
    select("Tomato soup");
    window->Memo2->setFocus();
    QTest::keyClicks(window->Memo2, " Stir.");
    const QString typed = window->Memo2->toPlainText();
    arrive(withRecipe({20, 3, QString("Leek soup"), "Leeks", "Boil."}));
    QTRY_VERIFY_WITH_TIMEOUT(node("Leek soup") != nullptr, mergeTimeoutMs);
    EXPECT_EQ(window->selectedNode()->text, "Tomato soup");
    EXPECT_EQ(window->Memo2->toPlainText(), typed);
    EXPECT_EQ(statusText(), "3 Categories with 6 recipes");
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(SharingControllerTest, NoMergeWhileADialogIsOpen) {
    QDialog dialog(window.get());
    dialog.setModal(true);
    dialog.show();
    QCoreApplication::processEvents();
    QSignalSpy merged(controller, &SharingController::merged);
    arrive(withRecipe({20, 3, QString("Leek soup"), "Leeks", "Boil."}));
    QTest::qWait(1500);
    EXPECT_EQ(merged.count(), 0);
    EXPECT_EQ(node("Leek soup"), nullptr);
    dialog.close();
    QTRY_VERIFY_WITH_TIMEOUT(node("Leek soup") != nullptr, mergeTimeoutMs);
}

TEST_F(SharingControllerTest, AConflictCopyIsMergedMovedAndToldOnce) {
    const QString copyName = "recipes.sync-conflict-20261208-101400-ABCDEFG.xml";
    arrive(withRecipe({21, 7, QString("Rye bread"), "Rye", "Bake."}), copyName);
    QTRY_VERIFY_WITH_TIMEOUT(node("Rye bread") != nullptr, mergeTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.textsOf(MessageBoxes::Kind::Information).size(), 1,
                              mergeTimeoutMs);
    EXPECT_TRUE(fake.messages.texts().front().contains(copyName));
    EXPECT_TRUE(QFile::exists(folder.path() + "/" + mergedCopiesFolderName + "/" + copyName));
    QTest::qWait(1500);
    EXPECT_EQ(fake.messages.shown.size(), 1u);
}

// The recipe added here and written, the file then replaced by a version that never saw
// it, and the window closed before a look: the exit still keeps it.
TEST_F(SharingControllerTest, TheExitMergesWhatArrivedSinceTheLastLook) {
    select("Soups");
    window->Edit1->setText("Onion soup");
    window->Button1->click();
    waitForWrites();
    QTRY_VERIFY_WITH_TIMEOUT(!storedField("Onion soup", "Title")->isEmpty(), mergeTimeoutMs);
    QTest::qWait(1200); // a look keeps the file written as the own version
    arrive(smallCookbookRecipes);
    controller->mergeBeforeExit();
    window->dataSetCategories->close();
    window->dataSetRecipes->close();
    const QByteArray file = *readDataFile(folder.path() + "/recipes.xml", "recipes.xml");
    EXPECT_TRUE(file.contains("Onion soup"));
}

} // namespace
} // namespace savrona::testing
