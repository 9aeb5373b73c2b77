// What the recipe search finds and in what order, and how its index keeps up
// with the tables as commands change them.
#include "cookbook/search/RecipeSearch.h"
#include "cookbook/TestCookbook.h"

#include "data/Error.h"
#include "data/engine/Lookups.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

class RecipeSearchTest : public ::testing::Test {
protected:
    TestCookbook cookbook{
        {{1, "Soups"}, {2, "Desserts"}, {3, "Crème Classics"}, {4, "中华料理"}, {5, "Soups"}},
        {{1, 1, "Tomato Soup", "4 tomatoes\r\n1 onion\r\nolive oil", "Simmer the tomatoes."},
         {2, 5, "Jalapeño Chowder", "2 jalapeños\r\ncorn", "Stir. Serve hot."},
         {3, 2, "Crème Brûlée", "cream\r\nsugar\r\neggs", "Bake in a water bath."},
         {4, 2, "Apple Pie", "apples\r\nbutter\r\nflour", "Bake until golden. Serve with cream."},
         {5, 3, "Straße Stew", "beef\r\noil olive", "Grandma's way: slow."},
         {6, 4, "番茄炒蛋", "番茄\r\n鸡蛋", "炒"},
         {7, 99, "Lost Tomato Tart", "tomatoes", "bake"},
         {8, std::nullopt, "Tomato Stray", "tomatoes", "bake"},
         {9, 2, "Banana Bread 🍌", "bananas\r\nbutter", "Mash, mix, bake."}}};
    RecipeSearch search;

    QStringList find(const QString& typed) {
        search.update(cookbook.categories(), cookbook.recipes());
        QStringList titles;
        for (const std::uint32_t number : search.search(SearchQuery::parse(typed)).recipes)
            titles << search.recipe(number).title;
        return titles;
    }

    void editRecipe(const QString& title, const std::vector<FieldInput>& fields) {
        Table& recipes = cookbook.recipes();
        recipes.setFilter(lookup::recipeByTitle(title));
        recipes.setFiltered(true);
        recipes.edit();
        recipes.setFields(fields);
        recipes.post();
        recipes.setFiltered(false);
    }
};

struct MatchCase {
    const char* name;
    const char* typed;
    QStringList found;
};

void PrintTo(const MatchCase& row, std::ostream* out) {
    *out << row.name;
}

class RecipeSearchMatching : public RecipeSearchTest,
                             public ::testing::WithParamInterface<MatchCase> {};

TEST_P(RecipeSearchMatching, FindsTheseRecipesInThisOrder) {
    EXPECT_EQ(find(QString::fromUtf8(GetParam().typed)), GetParam().found);
}

const QStringList nothing;

INSTANTIATE_TEST_SUITE_P(
    Cases, RecipeSearchMatching,
    ::testing::Values(
        MatchCase{"EmptyQueryFindsNothing", "  ", nothing},
        MatchCase{"AccentsIgnored", "creme", {"Crème Brûlée", "Straße Stew"}},
        MatchCase{"CaseIgnored", "JALAPENO", {"Jalapeño Chowder"}},
        MatchCase{"SpelledOutLetter", "strasse", {"Straße Stew"}},
        MatchCase{"LastWordIsAPrefix", "tom", {"Tomato Soup"}},
        MatchCase{"EarlierWordsAreWholeWords", "tom soup", nothing},
        MatchCase{"WordsInAnyOrderAndField", "tomatoes soup", {"Tomato Soup"}},
        MatchCase{"TitleMatchesFirstThenAlphabetical",
                  "cr",
                  {"Crème Brûlée", "Apple Pie", "Straße Stew"}},
        MatchCase{"AlphabeticalAsTheTree", "olive oil", {"Straße Stew", "Tomato Soup"}},
        MatchCase{"Phrase", "\"olive oil\"", {"Tomato Soup"}},
        MatchCase{"PhraseInOtherOrder", "\"oil olive\"", {"Straße Stew"}},
        MatchCase{"PhraseNeverSpansTwoFields", "\"soup 4\"", nothing},
        MatchCase{"OpenPhraseEndsInAPrefix", "\"olive oi", {"Tomato Soup"}},
        MatchCase{"Exclusion", "bake -butter", {"Crème Brûlée"}},
        MatchCase{"ExclusionAlone",
                  "-butter",
                  {"Crème Brûlée", "Jalapeño Chowder", "Straße Stew", "Tomato Soup", "番茄炒蛋"}},
        MatchCase{"ExcludedPhrase", "olive -\"oil olive\"", {"Tomato Soup"}},
        MatchCase{"CategoryName", "desserts apple", {"Apple Pie"}},
        MatchCase{"EitherOfTwoCategoriesOfTheSameName", "soups jal", {"Jalapeño Chowder"}},
        MatchCase{"ExclusionByCategoryName", "serve -desserts", {"Jalapeño Chowder"}},
        MatchCase{"SubstringOfAScriptWithoutSpaces", "茄炒", {"番茄炒蛋"}},
        MatchCase{"CategoryInAScriptWithoutSpaces", "中华", {"番茄炒蛋"}},
        MatchCase{"Emoji", "🍌", {"Banana Bread 🍌"}},
        MatchCase{"WordWithAnApostrophe", "grandma's", {"Straße Stew"}},
        MatchCase{"RecipesWithoutACategoryNodeAreNeverFound", "tomatoes", {"Tomato Soup"}},
        MatchCase{"UnknownWord", "xyzzy", nothing}, MatchCase{"PunctuationOnly", "?!", nothing}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

// Each search may take over what the last one matched; typing forward and
// back must still find exactly what a search of its own finds.
TEST_F(RecipeSearchTest, TypingLetterByLetterFindsWhatASearchOfItsOwnFinds) {
    QStringList typed;
    for (const QString& text :
         {QStringLiteral("\"olive oil\" -butter tom"), QStringLiteral("cr\u00E8me -\"water b"),
          QStringLiteral("\"bake until golden\" serve")}) {
        for (qsizetype length = 1; length <= text.size(); ++length)
            typed << text.left(length);
        for (qsizetype length = text.size() - 1; length > 0; --length)
            typed << text.left(length);
    }
    for (const QString& text : typed) {
        RecipeSearch fresh;
        fresh.update(cookbook.categories(), cookbook.recipes());
        QStringList freshTitles;
        for (const std::uint32_t number : fresh.search(SearchQuery::parse(text)).recipes)
            freshTitles << fresh.recipe(number).title;
        EXPECT_EQ(find(text), freshTitles) << text.toStdString();
    }
}

TEST_F(RecipeSearchTest, AResultNamesItsCategoryAndTheCategorysPlaceInTheTree) {
    ASSERT_EQ(find("chowder"), QStringList{"Jalapeño Chowder"});
    const std::uint32_t number = search.search(SearchQuery::parse(u"chowder")).recipes.front();
    // Categories in index order: Crème Classics, Desserts, Soups, Soups, 中华料理.
    EXPECT_EQ(search.recipe(number).category, "Soups");
    EXPECT_EQ(search.recipe(number).categoryRow, 3);
}

TEST_F(RecipeSearchTest, KeepsItsEntriesWhenTheTablesAreReopenedUnchanged) {
    find("pie");
    const std::size_t read = search.recordsRead();
    EXPECT_EQ(read, 9u);
    cookbook.rebuild();
    EXPECT_EQ(find("pie"), QStringList{"Apple Pie"});
    EXPECT_EQ(search.recordsRead(), read);
}

TEST_F(RecipeSearchTest, AChangedRecipeIsFoundByItsNewTextsOnlyAndAloneIsReadAgain) {
    find("eggs");
    editRecipe("Crème Brûlée", {FieldInput::leaveAlone(), FieldInput::leaveAlone(), "Crème Caramel",
                                "cream\r\nyolks", "Bake."});
    cookbook.rebuild(); // writes the file and reopens on the kept records
    EXPECT_EQ(find("eggs"), nothing);
    EXPECT_EQ(find("brulee"), nothing);
    EXPECT_EQ(find("yolks caramel"), QStringList{"Crème Caramel"});
    EXPECT_EQ(search.recordsRead(), 10u);
}

TEST_F(RecipeSearchTest, FollowsRecipesAddedDeletedAndMoved) {
    find("pie");
    cookbook.recipes().insertRecord({10, 1, "Leek Pie", "leeks", "bake"});
    EXPECT_EQ(find("pie"), QStringList({"Apple Pie", "Leek Pie"}));

    cookbook.recipes().setFilter(lookup::recipeByTitle("Apple Pie"));
    cookbook.recipes().setFiltered(true);
    cookbook.recipes().deleteRecord();
    cookbook.recipes().setFiltered(false);
    EXPECT_EQ(find("pie"), QStringList{"Leek Pie"});

    editRecipe("Leek Pie", {FieldInput::leaveAlone(), 2});
    EXPECT_EQ(find("desserts leek"), QStringList{"Leek Pie"});
    editRecipe("Tomato Stray", {FieldInput::leaveAlone(), 3});
    EXPECT_EQ(find("stray"), QStringList{"Tomato Stray"});
    EXPECT_EQ(search.recordsRead(), 10u);
}

TEST_F(RecipeSearchTest, FollowsACategoryRenamed) {
    find("soups");
    Table& categories = cookbook.categories();
    categories.setFilter(lookup::categoryById(2));
    categories.setFiltered(true);
    categories.edit();
    categories.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(), "Sweets"});
    categories.post();
    categories.setFiltered(false);
    EXPECT_EQ(find("desserts"), nothing);
    EXPECT_EQ(find("sweets"), QStringList({"Apple Pie", "Banana Bread 🍌", "Crème Brûlée"}));
}

TEST_F(RecipeSearchTest, AClosedTableLeavesTheIndexAsItWas) {
    EXPECT_EQ(find("pie"), QStringList{"Apple Pie"});
    cookbook.recipes().close();
    EXPECT_THROW(search.update(cookbook.categories(), cookbook.recipes()), Error);
    EXPECT_EQ(search.search(SearchQuery::parse(u"pie")).recipes.size(), 1u);
}

// Enough records to be read in two halves on two threads: each recipe must
// keep its own words however the halves are joined.
TEST(RecipeSearchLarge, RecipesReadOnTwoThreadsKeepTheirOwnWords) {
    std::vector<RecipeRecord> recipes;
    for (int number = 0; number < 9000; ++number)
        recipes.push_back({number, 1, QStringLiteral("Dish %1").arg(number),
                           QStringLiteral("only%1\r\nshared%2").arg(number).arg(number % 7),
                           QStringLiteral("Step.")});
    TestCookbook cookbook({{1, "All"}}, recipes);
    RecipeSearch search;
    search.update(cookbook.categories(), cookbook.recipes());
    const auto titlesOf = [&search](const char* typed) {
        QStringList titles;
        const SearchQuery query = SearchQuery::parse(QString::fromUtf8(typed));
        for (const std::uint32_t number : search.search(query).recipes)
            titles << search.recipe(number).title;
        return titles;
    };
    EXPECT_EQ(titlesOf("only8999 "), QStringList{"Dish 8999"});
    EXPECT_EQ(titlesOf("only12 "), QStringList{"Dish 12"});
    EXPECT_EQ(titlesOf("\"dish 4500\" shared"), QStringList{"Dish 4500"});
    // Phrases read each recipe's words in order, far into the second half too.
    EXPECT_EQ(titlesOf("\"dish 8999\""), QStringList{"Dish 8999"});
    EXPECT_EQ(titlesOf("\"only6000 shared1\""), QStringList{"Dish 6000"});
    EXPECT_EQ(titlesOf("shared3 ").size(), 1286);
}

} // namespace
