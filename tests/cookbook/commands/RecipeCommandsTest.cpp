#include "cookbook/commands/RecipeCommands.h"
#include "cookbook/TestCookbook.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Field positions of a recipe row.
constexpr std::size_t id = 0, categoryId = 1, title = 2, ingredients = 3, preparation = 4,
                      servings = 5, notes = 6, picture = 7;

const QString takenTitleTail =
    QStringLiteral("Please enter different name for new recipe and then try again.");

class RecipeCommandsTest : public ::testing::Test {
protected:
    TestCookbook cookbook{
        {{2, "Appetizers"}, {5, "Soups"}, {9, "Grandma's Kitchen"}, {11, "Cakes*"}},
        {{4, 2, "Bruschetta", "bread\r\ntomato", "toast"},
         {12, 5, "Onion Soup", "onions", "simmer"},
         {7, 9, "Grandma's Pie", "apples", "bake"},
         {8, 11, "Cake and Cream", "flour", "mix"},
         {20, std::nullopt, "Lost Stew", "beef", "stew"},
         {21, 99, "Stray Salad", "greens", "toss"}}};
    RecipeCommands commands{cookbook};

    std::vector<Row> recipeRows() { return TestCookbook::rowsOf(cookbook.recipes()); }
    std::optional<Row> recipe(const QString& text) { return findRow(recipeRows(), title, text); }
};

TEST_F(RecipeCommandsTest, AddRecipeStoresTheTextsUnderTheCategoryAndReachesTheFile) {
    const auto outcome =
        commands.addRecipe("Soups", 133, {"Leek Soup", "2 leeks\r\n1 potato", "  boil  "});

    EXPECT_EQ(outcome, RecipeOutcome::Rebuild);
    EXPECT_TRUE(cookbook.messageBoxes.shown.empty());
    EXPECT_FALSE(cookbook.recipes().isFiltered());
    EXPECT_FALSE(cookbook.categories().isFiltered());
    cookbook.rebuild();
    const auto stored = findRow(cookbook.rowsInFile(recipesFileName), title, "Leek Soup");
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)[id], Value::integer(133));
    EXPECT_EQ((*stored)[categoryId], Value::integer(5));
    EXPECT_EQ(textOf((*stored)[ingredients]), "2 leeks\r\n1 potato");
    EXPECT_EQ(textOf((*stored)[preparation]), "  boil  ");
    EXPECT_TRUE((*stored)[servings].isNull());
    EXPECT_TRUE((*stored)[notes].isNull());
    EXPECT_TRUE((*stored)[picture].isNull());
}

TEST_F(RecipeCommandsTest, AddRecipeWritesNothingForAnEmptyTitleOrAMissingCategory) {
    EXPECT_EQ(commands.addRecipe("Soups", 133, {"", "x", "y"}), RecipeOutcome::Nothing);
    EXPECT_EQ(commands.addRecipe("Desserts", 133, {"Trifle", "", ""}), RecipeOutcome::Nothing);
    EXPECT_TRUE(cookbook.messageBoxes.shown.empty());
    EXPECT_EQ(recipeRows().size(), 6u);
}

TEST_F(RecipeCommandsTest, AddRecipeAcceptsATitleOfBlanksAndEmptyTexts) {
    EXPECT_EQ(commands.addRecipe("Soups", 133, {"   ", "", ""}), RecipeOutcome::Rebuild);
    const auto stored = recipe("   ");
    ASSERT_TRUE(stored);
    EXPECT_EQ(textOf((*stored)[ingredients]), "");
    EXPECT_EQ(textOf((*stored)[preparation]), "");
}

struct TakenTitleCase {
    const char* title;
    const char* expectedMessage;
};

class AddRecipeTakenTitle : public RecipeCommandsTest,
                            public ::testing::WithParamInterface<TakenTitleCase> {};

TEST_P(AddRecipeTakenTitle, ShowsTheDuplicateMessageAndWritesNothing) {
    const auto outcome = commands.addRecipe("Soups", 133, {GetParam().title, "a", "b"});

    EXPECT_EQ(outcome, RecipeOutcome::Nothing);
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].kind, MessageBoxes::Kind::Error);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text,
              QString::fromUtf8(GetParam().expectedMessage) + "\r" + takenTitleTail);
    EXPECT_EQ(recipeRows().size(), 6u);
    EXPECT_FALSE(cookbook.recipes().isFiltered());
    EXPECT_FALSE(cookbook.categories().isFiltered());
}

INSTANTIATE_TEST_SUITE_P(
    Titles, AddRecipeTakenTitle,
    ::testing::Values(
        // Titles are unique across the cookbook: the message names the other category.
        TakenTitleCase{"Bruschetta",
                       "Such recipe (Bruschetta) already exists in Appetizers category."},
        TakenTitleCase{"Grandma's Pie",
                       "Such recipe (Grandma's Pie) already exists in Grandma's Kitchen category."},
        TakenTitleCase{"Cake and Cream",
                       "Such recipe (Cake and Cream) already exists in Cakes* category."},
        // A duplicate that belongs to no category: no category is named.
        TakenTitleCase{"Lost Stew", "Such recipe (Lost Stew) already exists."},
        TakenTitleCase{"Stray Salad", "Such recipe (Stray Salad) already exists."}));

class AddRecipeUnusualTitle : public RecipeCommandsTest,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(AddRecipeUnusualTitle, IsStoredAsTypedAndMatchesNoOtherRecipe) {
    const QString unusual = QString::fromUtf8(GetParam());
    EXPECT_EQ(commands.addRecipe("Grandma's Kitchen", 133, {unusual, "i", "p"}),
              RecipeOutcome::Rebuild);
    EXPECT_TRUE(cookbook.messageBoxes.shown.empty());
    const auto stored = recipe(unusual);
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)[categoryId], Value::integer(9));
    EXPECT_EQ(recipeRows().size(), 7u);
}

INSTANTIATE_TEST_SUITE_P(Titles, AddRecipeUnusualTitle,
                         ::testing::Values("Cake*", "Grandma's", "'", "O'", "Pie' OR Title = 'x",
                                           "Bruschetta*", "Crème brûlée ½"));

TEST_F(RecipeCommandsTest, SaveChangesWithTheSameTitleWritesTheTextsInPlace) {
    const auto outcome =
        commands.saveChanges("Onion Soup", {"Onion Soup", "3 onions\r\nbutter", "simmer long"});

    EXPECT_EQ(outcome, RecipeOutcome::Nothing);
    const auto stored = recipe("Onion Soup");
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)[id], Value::integer(12));
    EXPECT_EQ((*stored)[categoryId], Value::integer(5));
    EXPECT_EQ(textOf((*stored)[ingredients]), "3 onions\r\nbutter");
    EXPECT_EQ(textOf((*stored)[preparation]), "simmer long");
    EXPECT_TRUE((*stored)[servings].isNull());
    EXPECT_EQ(recipeRows().size(), 6u);
    EXPECT_FALSE(cookbook.recipes().isFiltered());
    // Saved in memory; the file follows at the next rebuild.
    cookbook.rebuild();
    const auto inFile = findRow(cookbook.rowsInFile(recipesFileName), title, "Onion Soup");
    ASSERT_TRUE(inFile);
    EXPECT_EQ(textOf((*inFile)[ingredients]), "3 onions\r\nbutter");
}

TEST_F(RecipeCommandsTest, SaveChangesWithANewTitleRenamesTheSelectedRecipe) {
    const auto outcome =
        commands.saveChanges("Grandma's Pie", {"Grandma's Best Pie", "pears", "bake"});

    EXPECT_EQ(outcome, RecipeOutcome::RebuildAndSelectRecipe);
    EXPECT_FALSE(recipe("Grandma's Pie"));
    const auto stored = recipe("Grandma's Best Pie");
    ASSERT_TRUE(stored);
    EXPECT_EQ((*stored)[id], Value::integer(7));
    EXPECT_EQ((*stored)[categoryId], Value::integer(9));
    EXPECT_EQ(textOf((*stored)[ingredients]), "pears");
    EXPECT_EQ(recipeRows().size(), 6u);
}

TEST_F(RecipeCommandsTest, SaveChangesToAnotherRecipesTitleIsRefused) {
    const auto before = recipeRows();
    const auto outcome = commands.saveChanges("Onion Soup", {"Bruschetta", "x", "y"});

    EXPECT_EQ(outcome, RecipeOutcome::Nothing);
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text,
              "Such recipe (Bruschetta) already exists in Appetizers category.\r" + takenTitleTail);
    EXPECT_EQ(recipeRows(), before);
}

TEST_F(RecipeCommandsTest, SaveChangesWithAnEmptyTitleWritesNothing) {
    const auto before = recipeRows();
    EXPECT_EQ(commands.saveChanges("Onion Soup", {"", "x", "y"}), RecipeOutcome::Nothing);
    EXPECT_TRUE(cookbook.messageBoxes.shown.empty());
    EXPECT_EQ(recipeRows(), before);
}

TEST_F(RecipeCommandsTest, SaveChangesOfARecipeThatIsGoneCreatesNoRecord) {
    const auto before = recipeRows();
    EXPECT_EQ(commands.saveChanges("Vanished", {"Vanished", "x", "y"}), RecipeOutcome::Nothing);
    EXPECT_EQ(commands.saveChanges("Vanished", {"Found", "x", "y"}), RecipeOutcome::Nothing);
    EXPECT_EQ(recipeRows(), before);
}

TEST_F(RecipeCommandsTest, SaveChangesFindsTitlesWithApostrophesAndStarsExactly) {
    commands.addRecipe("Cakes*", 30, {"Cake*", "c", "c"});
    commands.saveChanges("Cake*", {"Cake*", "changed", "changed"});

    EXPECT_EQ(textOf((*recipe("Cake*"))[ingredients]), "changed");
    EXPECT_EQ(textOf((*recipe("Cake and Cream"))[ingredients]), "flour");
}

TEST_F(RecipeCommandsTest, DeleteRecipeAnsweredYesDeletesExactlyThatRecipe) {
    const auto outcome = commands.deleteRecipe("Grandma's Pie");

    EXPECT_EQ(outcome, RecipeOutcome::RebuildAndReturnToRoot);
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].kind, MessageBoxes::Kind::Confirmation);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text,
              "Are you shure that you want to delete selected recipe (Grandma's Pie)?\r"
              "Recipe can't be restored once it is deleted!");
    EXPECT_FALSE(recipe("Grandma's Pie"));
    EXPECT_FALSE(cookbook.recipes().isFiltered());
    cookbook.rebuild();
    const auto inFile = cookbook.rowsInFile(recipesFileName);
    EXPECT_EQ(inFile.size(), 5u);
    EXPECT_FALSE(findRow(inFile, title, "Grandma's Pie"));
}

TEST_F(RecipeCommandsTest, DeleteRecipeAnsweredNoChangesNothing) {
    cookbook.messageBoxes.answer = false;
    const auto before = recipeRows();
    EXPECT_EQ(commands.deleteRecipe("Onion Soup"), RecipeOutcome::Nothing);
    EXPECT_EQ(recipeRows(), before);
    EXPECT_FALSE(cookbook.recipes().isChanged());
}

TEST_F(RecipeCommandsTest, DeleteRecipeWithAStarDeletesNoRecipeItWouldPrefix) {
    commands.addRecipe("Cakes*", 30, {"Cake*", "c", "c"});
    EXPECT_EQ(commands.deleteRecipe("Cake*"), RecipeOutcome::RebuildAndReturnToRoot);
    EXPECT_FALSE(recipe("Cake*"));
    EXPECT_TRUE(recipe("Cake and Cream"));
}

} // namespace
