// The main window's command handlers: each reaches its command, writes the
// tables and ends with the rebuild (or none) that it must.
#include "ui/GuiTestSupport.h"

#include "data/engine/Lookups.h"
#include "platform/seams/AppInfo.h"
#include "ui/dialogs/Unit2.h"
#include "ui/dialogs/Unit3.h"
#include "ui/dialogs/Unit5.h"
#include "ui/dialogs/Unit6.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace savrona::testing {
namespace {

class CommandWiring : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
    }
};

TEST_F(CommandWiring, AddRecipeStoresThePaneAndRebuildsWithoutSelecting) {
    select("Breads");
    window->Edit1->setText("Rye loaf");
    window->Memo1->setPlainText("Rye flour\nWater");
    window->Memo2->setPlainText("Knead.");
    window->Button1Click();

    EXPECT_NE(node("Rye loaf"), nullptr);
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_EQ(storedField("Rye loaf", "Ingredients"), QString("Rye flour\r\nWater"));
    // The highest ID among recipes with a node was 12; the lost recipe's 40 does not count.
    EXPECT_EQ(storedField("Rye loaf", "ID"), QString("13"));
    EXPECT_EQ(storedField("Rye loaf", "CategoryID"), QString("7"));
    EXPECT_EQ(statusText(), "3 Categories with 6 recipes");
}

TEST_F(CommandWiring, SaveChangesUnderTheSameTitleWritesWithoutRebuilding) {
    select("Cheese puffs");
    TreeNode* before = window->SelectedRecipeNode;
    window->Memo1->setPlainText("Gruyere\nEggs");
    window->Button2Click();

    EXPECT_EQ(window->SelectedRecipeNode, before);
    EXPECT_EQ(node("Cheese puffs"), before);
    EXPECT_EQ(storedField("Cheese puffs", "Ingredients"), QString("Gruyere\r\nEggs"));
    // On disk at once, not only at the next command or the exit.
    waitForWrites();
    QFile file(folder.filePath("recipes.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Gruyere"));
}

TEST_F(CommandWiring, SaveChangesUnderANewTitleRenamesAndReselectsTheRecipe) {
    select("Cheese puffs");
    window->Edit1->setText("Gougeres");
    window->Button2Click();

    EXPECT_EQ(node("Cheese puffs"), nullptr);
    ASSERT_NE(window->selectedNode(), nullptr);
    EXPECT_EQ(window->selectedNode()->text, "Gougeres");
    EXPECT_EQ(storedField("Gougeres", "ID"), QString("11"));
    EXPECT_EQ(statusText(), "3 Categories with 5 recipes");
}

TEST_F(CommandWiring, SaveChangesToATakenTitleChangesNothing) {
    select("Cheese puffs");
    window->Edit1->setText("Tomato soup");
    window->Button2Click();

    EXPECT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(storedField("Cheese puffs", "Ingredients"), QString("Cheese"));
    EXPECT_EQ(storedField("Tomato soup", "Ingredients"), QString("Tomatoes"));
}

TEST_F(CommandWiring, DeleteRecipeAskedAndAnsweredBothWays) {
    select("Grandma's stew");
    fake.messages.answer = false;
    window->Button3Click();
    EXPECT_NE(node("Grandma's stew"), nullptr);

    fake.messages.answer = true;
    window->Deleterecipe1Click();
    EXPECT_EQ(node("Grandma's stew"), nullptr);
    EXPECT_EQ(window->SelectedCategoryNode, window->cookbookTree().root());
    EXPECT_FALSE(window->Edit1->isEnabled());
    EXPECT_EQ(statusText(), "3 Categories with 4 recipes");
}

TEST_F(CommandWiring, DeleteCategoryTakesItsRecipesWithIt) {
    select("Soups");
    window->Deletecategory1Click();

    EXPECT_EQ(node("Soups"), nullptr);
    EXPECT_EQ(storedField("Tomato soup", "ID"), std::nullopt);
    EXPECT_EQ(storedField("Grandma's stew", "ID"), std::nullopt);
    EXPECT_EQ(statusText(), "2 Categories with 3 recipes");
}

TEST_F(CommandWiring, AddCategoryThroughItsDialogRebuildsAndReturnsToTheRoot) {
    select("Breads");
    QTimer::singleShot(0, formAddNewCategory, [] {
        formAddNewCategory->editCategoryName->setText("Pies");
        formAddNewCategory->Button1->click();
    });
    window->Addnewcategory1Click();

    ASSERT_NE(node("Pies"), nullptr);
    EXPECT_EQ(window->SelectedCategoryNode, window->cookbookTree().root());
    EXPECT_EQ(window->NextCategoryID, 9);
}

TEST_F(CommandWiring, ExportWritesWhatThePaneShows) {
    select("Zucchini bites");
    const QString path = folder.filePath("export.txt");
    fake.saveDialog.answer = path;
    window->Exportrecipe1Click();

    EXPECT_EQ(fake.saveDialog.proposed, "Zucchini bites");
    EXPECT_EQ(fake.saveDialog.proposedType, "txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith(
        "\r\nAppetizers\r\nZucchini bites\r\n\r\n-----"
        "---------------------------------------------\r\n\r\n2 zucchini\r\nsalt\r\n"));
}

TEST_F(CommandWiring, SavronaOnLineOpensTheWebAddress) {
    window->SavronaOnLine1Click();
    ASSERT_EQ(fake.urls.opened.size(), 1);
    EXPECT_EQ(fake.urls.opened.front(), QUrl(webAddress));
}

} // namespace
} // namespace savrona::testing
