#include "cookbook/commands/CategoryCommands.h"
#include "cookbook/TestCookbook.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

constexpr std::size_t categoryName = 2;
constexpr std::size_t recipeCategoryId = 1, recipeTitle = 2;

const QString emptyNameMessage =
    QStringLiteral("Please enter name for new category and then try again.");
const QString noCategoryWarning = QStringLiteral("Please select new category for this recipe");

QString takenNameMessage(const QString& name) {
    return "Such category already exists (" + name + ")!\r" +
           "Please enter different name for new category and then try again.";
}

class CategoryCommandsTest : public ::testing::Test {
protected:
    TestCookbook cookbook{{{2, "Appetizers"},
                           {5, "Soups"},
                           {9, "Grandma's Kitchen"},
                           {11, "Pasta*"},
                           {12, "Pasta Dishes"},
                           {17, "Empty"}},
                          {{4, 2, "Bruschetta", "", ""},
                           {12, 5, "Onion Soup", "onions", "simmer"},
                           {13, 5, "Leek Soup", "leeks", "boil"},
                           {7, 9, "Grandma's Pie", "apples", "bake"},
                           {8, 11, "Starred Pasta", "", ""},
                           {10, 12, "Lasagne", "", ""}}};
    CategoryCommands commands{cookbook};

    std::vector<Row> categoryRows() { return TestCookbook::rowsOf(cookbook.categories()); }
    std::vector<Row> recipeRows() { return TestCookbook::rowsOf(cookbook.recipes()); }
    std::optional<Row> category(const QString& name) {
        return findRow(categoryRows(), categoryName, name);
    }
    std::optional<Row> recipe(const QString& title) {
        return findRow(recipeRows(), recipeTitle, title);
    }
    void expectOneMessage(MessageBoxes::Kind kind, const QString& text) {
        ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
        EXPECT_EQ(cookbook.messageBoxes.shown[0].kind, kind);
        EXPECT_EQ(cookbook.messageBoxes.shown[0].text, text);
    }
    void expectFiltersOff() {
        EXPECT_FALSE(cookbook.categories().isFiltered());
        EXPECT_FALSE(cookbook.recipes().isFiltered());
    }
};

class AddCategoryName : public CategoryCommandsTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(AddCategoryName, IsStoredAsTypedWithSubIdZeroAndReachesTheFile) {
    const QString name = QString::fromUtf8(GetParam());
    EXPECT_TRUE(commands.addCategory(name, 18));

    EXPECT_TRUE(cookbook.messageBoxes.shown.empty());
    expectFiltersOff();
    cookbook.rebuild();
    const auto inFile = cookbook.rowsInFile(categoriesFileName);
    EXPECT_EQ(inFile.size(), 7u);
    EXPECT_EQ(findRow(inFile, categoryName, name), categoryRow(18, 0, name));
}

// Blanks count, letter case counts, and quotes or a star are plain characters.
INSTANTIATE_TEST_SUITE_P(Names, AddCategoryName,
                         ::testing::Values("Desserts", "   ", "soups", "SOUPS", "Grandma's", "'",
                                           "Pasta", "Appetizers*", "x' OR Category = 'Soups",
                                           "Crème brûlée"));

class AddCategoryRefused : public CategoryCommandsTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(AddCategoryRefused, ShowsTheMessageAndWritesNothing) {
    const QString name = QString::fromUtf8(GetParam());
    const auto before = categoryRows();

    EXPECT_FALSE(commands.addCategory(name, 18));

    expectOneMessage(MessageBoxes::Kind::Error,
                     name.isEmpty() ? emptyNameMessage : takenNameMessage(name));
    EXPECT_EQ(categoryRows(), before);
    expectFiltersOff();
}

INSTANTIATE_TEST_SUITE_P(Names, AddCategoryRefused,
                         ::testing::Values("", "Soups", "Grandma's Kitchen", "Pasta*"));

TEST_F(CategoryCommandsTest, RenameKeepsTheIdSoTheRecipesStayWithTheCategory) {
    EXPECT_TRUE(commands.renameCategory("Soups", "Soups and Stews"));

    EXPECT_EQ(category("Soups and Stews"), categoryRow(5, 0, "Soups and Stews"));
    EXPECT_FALSE(category("Soups"));
    EXPECT_EQ((*recipe("Onion Soup"))[recipeCategoryId], Value::integer(5));
    expectFiltersOff();
    cookbook.rebuild();
    EXPECT_TRUE(findRow(cookbook.rowsInFile(categoriesFileName), categoryName, "Soups and Stews"));
}

TEST_F(CategoryCommandsTest, RenameSetsSubIdToZero) {
    cookbook.categories().insertRecord({30, 4, "Odd"});
    EXPECT_TRUE(commands.renameCategory("Odd", "Even"));
    EXPECT_EQ(category("Even"), categoryRow(30, 0, "Even"));
}

struct RenameCase {
    const char* currentName;
    const char* newName;
};

class RenameUnusualNames : public CategoryCommandsTest,
                           public ::testing::WithParamInterface<RenameCase> {};

TEST_P(RenameUnusualNames, RenamesExactlyTheNamedCategory) {
    const QString current = QString::fromUtf8(GetParam().currentName);
    const QString renamed = QString::fromUtf8(GetParam().newName);
    const std::int32_t id = (*category(current))[0].integer();

    EXPECT_TRUE(commands.renameCategory(current, renamed));

    EXPECT_EQ(category(renamed), categoryRow(id, 0, renamed));
    EXPECT_FALSE(category(current));
    EXPECT_EQ(categoryRows().size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Names, RenameUnusualNames,
                         ::testing::Values(RenameCase{"Grandma's Kitchen", "Grandpa's Kitchen"},
                                           RenameCase{"Pasta*", "Pasta'"},
                                           RenameCase{"Soups", "soups"},
                                           RenameCase{"Empty", "It's*"}));

TEST_F(CategoryCommandsTest, RenameRefusesAnEmptyNameAndTheCurrentName) {
    const auto before = categoryRows();
    EXPECT_FALSE(commands.renameCategory("Soups", ""));
    EXPECT_FALSE(commands.renameCategory("Soups", "Soups"));
    EXPECT_FALSE(commands.renameCategory("Soups", "Appetizers"));

    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 3u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text, emptyNameMessage);
    EXPECT_EQ(cookbook.messageBoxes.shown[1].text, takenNameMessage("Soups"));
    EXPECT_EQ(cookbook.messageBoxes.shown[2].text, takenNameMessage("Appetizers"));
    EXPECT_EQ(categoryRows(), before);
}

TEST_F(CategoryCommandsTest, RenameOfACategoryThatIsGoneCreatesNoCategory) {
    const auto before = categoryRows();
    EXPECT_TRUE(commands.renameCategory("Vanished", "Back Again"));
    EXPECT_EQ(categoryRows(), before);
}

TEST_F(CategoryCommandsTest, DeleteCategoryDeletesItsRecipesThenTheCategory) {
    EXPECT_TRUE(commands.deleteCategory("Soups"));

    expectOneMessage(MessageBoxes::Kind::Confirmation,
                     "Are you shure that you want to delete selected category (Soups)?\r"
                     "Deleting this category will delete all recipes within it.");
    EXPECT_FALSE(category("Soups"));
    EXPECT_FALSE(recipe("Onion Soup"));
    EXPECT_FALSE(recipe("Leek Soup"));
    EXPECT_EQ(recipeRows().size(), 4u);
    expectFiltersOff();
    cookbook.rebuild();
    EXPECT_EQ(cookbook.rowsInFile(categoriesFileName).size(), 5u);
    EXPECT_EQ(cookbook.rowsInFile(recipesFileName).size(), 4u);
}

TEST_F(CategoryCommandsTest, DeleteCategoryWithoutRecipesDeletesTheCategoryAlone) {
    EXPECT_TRUE(commands.deleteCategory("Empty"));
    EXPECT_FALSE(category("Empty"));
    EXPECT_EQ(recipeRows().size(), 6u);
}

TEST_F(CategoryCommandsTest, DeleteCategoryWithUnusualNamesDeletesOnlyThatCategory) {
    EXPECT_TRUE(commands.deleteCategory("Pasta*"));
    EXPECT_TRUE(commands.deleteCategory("Grandma's Kitchen"));

    EXPECT_FALSE(category("Pasta*"));
    EXPECT_FALSE(category("Grandma's Kitchen"));
    EXPECT_TRUE(category("Pasta Dishes"));
    EXPECT_FALSE(recipe("Starred Pasta"));
    EXPECT_FALSE(recipe("Grandma's Pie"));
    EXPECT_TRUE(recipe("Lasagne"));
}

TEST_F(CategoryCommandsTest, DeleteCategoryAnsweredNoChangesNothing) {
    cookbook.messageBoxes.answer = false;
    const auto categoriesBefore = categoryRows();
    const auto recipesBefore = recipeRows();

    EXPECT_FALSE(commands.deleteCategory("Soups"));

    EXPECT_EQ(categoryRows(), categoriesBefore);
    EXPECT_EQ(recipeRows(), recipesBefore);
    EXPECT_FALSE(cookbook.categories().isChanged());
}

TEST_F(CategoryCommandsTest, TheHighestIdIsGivenOutAgainAfterItsCategoryIsDeleted) {
    commands.deleteCategory("Empty");
    cookbook.rebuild();
    EXPECT_EQ(cookbook.nextCategoryId(), 13);
    commands.addCategory("Desserts", cookbook.nextCategoryId());
    EXPECT_EQ(category("Desserts"), categoryRow(13, 0, "Desserts"));
}

TEST_F(CategoryCommandsTest, MoveRecipeChangesOnlyItsCategory) {
    const Row before = *recipe("Onion Soup");
    EXPECT_TRUE(commands.moveRecipe("Onion Soup", "Appetizers"));

    Row expected = before;
    expected[recipeCategoryId] = Value::integer(2);
    EXPECT_EQ(recipe("Onion Soup"), expected);
    expectFiltersOff();
    cookbook.rebuild();
    EXPECT_EQ(findRow(cookbook.rowsInFile(recipesFileName), recipeTitle, "Onion Soup"), expected);
}

TEST_F(CategoryCommandsTest, MoveRecipeToItsOwnCategoryKeepsIt) {
    const Row before = *recipe("Onion Soup");
    EXPECT_TRUE(commands.moveRecipe("Onion Soup", "Soups"));
    EXPECT_EQ(recipe("Onion Soup"), before);
}

TEST_F(CategoryCommandsTest, MoveRecipeWithUnusualNamesAndTitles) {
    EXPECT_TRUE(commands.moveRecipe("Grandma's Pie", "Pasta*"));
    EXPECT_TRUE(commands.moveRecipe("Lasagne", "Grandma's Kitchen"));
    EXPECT_EQ((*recipe("Grandma's Pie"))[recipeCategoryId], Value::integer(11));
    EXPECT_EQ((*recipe("Lasagne"))[recipeCategoryId], Value::integer(9));
}

class MoveRecipeToNoCategory : public CategoryCommandsTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(MoveRecipeToNoCategory, WarnsAndChangesNothing) {
    const auto before = recipeRows();
    EXPECT_FALSE(commands.moveRecipe("Onion Soup", QString::fromUtf8(GetParam())));
    expectOneMessage(MessageBoxes::Kind::Warning, noCategoryWarning);
    EXPECT_EQ(recipeRows(), before);
    expectFiltersOff();
}

// Empty text, typed text, a letter-case variant, and a name that would match
// others as a pattern.
INSTANTIATE_TEST_SUITE_P(Texts, MoveRecipeToNoCategory,
                         ::testing::Values("", "Desserts", "appetizers", "Pasta", "Past*",
                                           "Soups "));

TEST_F(CategoryCommandsTest, MoveRecipeToACategoryDeletedSinceWarns) {
    commands.deleteCategory("Empty");
    cookbook.messageBoxes.shown.clear();
    EXPECT_FALSE(commands.moveRecipe("Onion Soup", "Empty"));
    expectOneMessage(MessageBoxes::Kind::Warning, noCategoryWarning);
    EXPECT_EQ((*recipe("Onion Soup"))[recipeCategoryId], Value::integer(5));
}

TEST_F(CategoryCommandsTest, MoveOfARecipeThatIsGoneCreatesNoRecipe) {
    const auto before = recipeRows();
    EXPECT_TRUE(commands.moveRecipe("Vanished", "Soups"));
    EXPECT_EQ(recipeRows(), before);
}

} // namespace
