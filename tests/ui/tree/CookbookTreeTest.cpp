// The tree rebuild: order, next IDs, totals, node levels, and the model.
#include "ui/GuiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QLabel>

#include <limits>

namespace savrona::testing {
namespace {

class CookbookTreeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeCookbookFiles(folder.path(), {}, {});
        start();
    }
    void addCategory(std::int32_t id, const QString& name) {
        window->dataSetCategories->insertRecord({id, 0, name});
    }
    void addRecipe(std::int32_t id, std::int32_t categoryId, const QString& title) {
        window->dataSetRecipes->insertRecord({id, categoryId, title, "", ""});
    }
};

TEST_F(CookbookTreeTest, EmptyCookbookHasOnlyTheRootUnexpanded) {
    addRecipe(5, 1, "Orphan");
    window->RefreshCookbookTree();
    EXPECT_EQ(treeLines(window->cookbookTree()), QStringList{"My Cookbook"});
    EXPECT_FALSE(window->treeCategories->isExpanded(
        window->cookbookTree().indexOf(window->cookbookTree().root())));
    EXPECT_EQ(window->NextCategoryID, 1);
    EXPECT_EQ(window->NextRecipeID, 1);
    EXPECT_EQ(statusText(), "0 Categories with 1 recipes");
}

TEST_F(CookbookTreeTest, RecordsAddedInAnyOrderComeOutInIndexOrder) {
    addCategory(3, "Soups");
    addCategory(7, "Cakes");
    addCategory(5, "Pasta");
    addCategory(6, "pasta");
    addRecipe(2, 5, "Penne");
    addRecipe(9, 5, "Lasagne");
    addRecipe(4, 3, "Minestrone");
    addRecipe(8, 5, "Fusilli");
    window->RefreshCookbookTree();
    const QStringList lines = treeLines(window->cookbookTree());
    EXPECT_EQ(lines.mid(0, 2), QStringList({"My Cookbook", " Cakes"}));
    // The two spellings of pasta are two categories, next to each other.
    EXPECT_TRUE(lines.contains(" Pasta") && lines.contains(" pasta"));
    const auto pasta = lines.indexOf(" Pasta");
    EXPECT_EQ(lines.mid(pasta + 1, 3), QStringList({"  Fusilli", "  Lasagne", "  Penne"}));
    EXPECT_EQ(lines.mid(lines.indexOf(" Soups")), QStringList({" Soups", "  Minestrone"}));
    EXPECT_EQ(window->NextCategoryID, 8);
    EXPECT_EQ(window->NextRecipeID, 10);
    EXPECT_EQ(statusText(), "4 Categories with 4 recipes");
}

TEST_F(CookbookTreeTest, OneOfEachStillReadsInThePlural) {
    addCategory(1, "Only");
    addRecipe(1, 1, "Alone");
    window->RefreshCookbookTree();
    EXPECT_EQ(statusText(), "1 Categories with 1 recipes");
}

TEST_F(CookbookTreeTest, IdsOfZeroOrBelowGiveNextIdsOfOne) {
    addCategory(0, "Zero");
    addCategory(-4, "Negative");
    addRecipe(-1, 0, "Cold");
    window->RefreshCookbookTree();
    EXPECT_EQ(window->NextCategoryID, 1);
    EXPECT_EQ(window->NextRecipeID, 1);
}

TEST_F(CookbookTreeTest, HighestPossibleIdLeavesNoNextIdAndRefusesAdding) {
    addCategory(std::numeric_limits<std::int32_t>::max(), "Last");
    addRecipe(1, std::numeric_limits<std::int32_t>::max(), "Only");
    window->RefreshCookbookTree();
    EXPECT_EQ(window->NextCategoryID, 0);
    EXPECT_EQ(window->NextRecipeID, 2);
    EXPECT_FALSE(window->commandGate().nextIdsKnown());
    EXPECT_EQ(statusText(), "1 Categories with 1 recipes");
}

TEST_F(CookbookTreeTest, RecipeOfAMissingCategoryIsCountedButNotShownNorNumbered) {
    addCategory(1, "Here");
    addRecipe(3, 1, "Shown");
    addRecipe(30, 2, "Hidden");
    window->RefreshCookbookTree();
    EXPECT_EQ(findNode(window->cookbookTree(), "Hidden"), nullptr);
    EXPECT_EQ(window->NextRecipeID, 4);
    EXPECT_EQ(statusText(), "1 Categories with 2 recipes");
}

TEST_F(CookbookTreeTest, NodesCarryTheirImagesAndAbsoluteIndexes) {
    addCategory(1, "A");
    addCategory(2, "B");
    addRecipe(1, 1, "a1");
    addRecipe(2, 1, "a2");
    addRecipe(3, 2, "b1");
    window->RefreshCookbookTree();
    const CookbookTreeModel& tree = window->cookbookTree();
    const std::pair<const char*, int> expected[] = {{"My Cookbook", 0}, {"A", 1}, {"a1", 2},
                                                    {"a2", 3},          {"B", 4}, {"b1", 5}};
    for (const auto& [text, index] : expected)
        EXPECT_EQ(findNode(tree, text)->absoluteIndex(), index) << text;
    EXPECT_EQ(tree.root()->imageIndex, RootImage);
    EXPECT_EQ(findNode(tree, "A")->imageIndex, CategoryImage);
    EXPECT_EQ(findNode(tree, "b1")->imageIndex, RecipeImage);
    EXPECT_EQ(tree.nodeCount(), 6);
}

TEST_F(CookbookTreeTest, RebuildWritesTheChangedTableToItsFile) {
    addCategory(1, "Written");
    window->RefreshCookbookTree();
    waitForWrites();
    QFile file(QDir(folder.path()).filePath("categories.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Written"));
}

TEST_F(CookbookTreeTest, ModelStaysConsistentThroughARebuild) {
    QAbstractItemModelTester tester(&window->cookbookTree(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    addCategory(1, "A");
    addCategory(2, "B");
    addRecipe(1, 1, "a1");
    addRecipe(2, 2, "b1");
    window->RefreshCookbookTree();
    window->RefreshCookbookTree();
    EXPECT_EQ(window->cookbookTree().nodeCount(), 5);
}

} // namespace
} // namespace savrona::testing
