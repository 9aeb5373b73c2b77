// What an import adds: categories chosen, titles kept unique, duplicates left out, the
// summary's counts; and the adding itself.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/ImportPlan.h"
#include "cookbook/exchange/ImportSummary.h"
#include "data/Error.h"

#include <gtest/gtest.h>

#include <limits>

using namespace savrona;
using namespace savrona::testing;

namespace {

RecipeEntry entry(const QByteArray& title, QList<QByteArray> categories,
                  const QByteArray& ingredients = "1 onion",
                  const QByteArray& preparation = "Boil.") {
    RecipeEntry recipe;
    recipe.title = title;
    recipe.categories = std::move(categories);
    recipe.ingredients = ingredients;
    recipe.preparation = preparation;
    recipe.file = QStringLiteral("/home/cook/recipes.mmf");
    recipe.line = 7;
    return recipe;
}

struct PlanCase {
    const char* name;
    std::vector<RecipeEntry> recipes;
    std::vector<ImportProblem> problems;
    QStringList added; // "title @ category"
    QString question;
    QString counts;
};

void PrintTo(const PlanCase& planCase, std::ostream* out) {
    *out << planCase.name;
}

class ImportPlans : public ::testing::TestWithParam<PlanCase> {
protected:
    TestCookbook cookbook{
        {{1, "Soups"}, {2, "Breads"}},
        {{10, 1, "Onion Soup", "1 onion", "Boil."}, {11, 2, "Rye", "rye flour", "Bake."}}};
};

TEST_P(ImportPlans, ChooseCategoriesAndTitlesAndCountThem) {
    const PlanCase& planCase = GetParam();
    const ImportPlan plan = planImport(cookbook.categories(), cookbook.recipes(),
                                       RecipeBatch{planCase.recipes, planCase.problems});
    QStringList added;
    for (const RecipeEntry& recipe : plan.recipes)
        added << QString::fromUtf8(recipe.title + " @ " + recipe.categories.value(0));
    EXPECT_EQ(added, planCase.added);
    const ImportSummary summary = summarizeImport(plan);
    EXPECT_EQ(summary.question, planCase.question);
    EXPECT_EQ(summary.counts, planCase.counts);
    EXPECT_EQ(summary.hasRecipes, !plan.recipes.empty());
    EXPECT_FALSE(cookbook.categories().isFiltered() || cookbook.recipes().isFiltered());
}

const QByteArray longName(300, 'n');

INSTANTIATE_TEST_SUITE_P(
    Imports, ImportPlans,
    ::testing::Values(
        PlanCase{"FirstExistingCategoryElseANewOneElseImportedRecipes",
                 {entry("Leek Soup", {"Starters", "Soups"}), entry("Bagel", {"Bakery"}),
                  entry("Stew", {}), entry("Bun", {"Buns", "Bakery"})},
                 {},
                 {"Leek Soup @ Soups", "Bagel @ Bakery", "Stew @ Imported recipes", "Bun @ Bakery"},
                 "Import 4 recipes into 3 categories (2 new)?",
                 ""},
        PlanCase{"CategoriesAreMatchedWhateverTheirCaseBlanksAndPlurals",
                 {entry("Pea Soup", {"soup"}), entry("Rolls", {"BREAD  "}),
                  entry("Pie", {"Dessert"}), entry("Tart", {"desserts"})},
                 {},
                 {"Pea Soup @ Soups", "Rolls @ Breads", "Pie @ Dessert", "Tart @ Dessert"},
                 "Import 4 recipes into 3 categories (1 new)?",
                 ""},
        PlanCase{"SameTitleSameTextsIsLeftOutOtherTextsAreNumbered",
                 {entry("Onion Soup", {"Soups"}), entry("Onion Soup", {"Soups"}, "2 onions"),
                  entry("Onion Soup", {"Soups"}, "3 onions"),
                  entry("Onion Soup", {"Soups"}, "2 onions"), entry("Rye", {"Breads"}, "rye")},
                 {},
                 {"Onion Soup (2) @ Soups", "Onion Soup (3) @ Soups", "Rye (2) @ Breads"},
                 "Import 3 recipes into 2 categories?",
                 "2 recipes are already in the cookbook with the same texts, left out. 3 titles "
                 "are taken, numbered like \"Onion Soup (2)\"."},
        PlanCase{"OneOfEachAndWhatCouldNotBeRead",
                 {entry("Tart", {"Cakes"})},
                 {{ImportProblem::Kind::Recipe, "/home/cook/a.mmf", 3, "a recipe without a title"},
                  {ImportProblem::Kind::Recipe, "/home/cook/a.mmf", 9, "a recipe without a title"},
                  {ImportProblem::Kind::File, "/home/cook/b.json", 1, "not readable as JSON"},
                  {ImportProblem::Kind::Note, "/home/cook/a.mmf", 20, "ends early"}},
                 {"Tart @ Cakes"},
                 "Import 1 recipe into 1 category (1 new)?",
                 "2 recipes could not be read. 1 file could not be read. 1 remark in the "
                 "details."},
        PlanCase{"NothingLeftToImport",
                 {entry("Onion Soup", {"Soups"})},
                 {},
                 {},
                 "There is nothing to import.",
                 "1 recipe is already in the cookbook with the same texts, left out."},
        PlanCase{"APageWithTwoBrokenScriptsIsOneFileNotRead",
                 {},
                 {{ImportProblem::Kind::File, "/home/cook/page.html", 3, "not readable as JSON"},
                  {ImportProblem::Kind::File, "/home/cook/page.html", 9, "not readable as JSON"},
                  {ImportProblem::Kind::File, "/home/cook/big.mmf", 0, "larger than 256 MB"},
                  {ImportProblem::Kind::Recipe, "/home/cook/page.html", 20, "without a name"}},
                 {},
                 "There is nothing to import.",
                 "1 recipe could not be read. 2 files could not be read."},
        PlanCase{"InvisibleControlsLeaveTitlesAndNames",
                 {entry("Leek\u0085 \u202Esoup\u202C", {"\u2066Soups\u2069"}),
                  entry("Ta\u00A0rt\u200F", {"Ca\u202Akes\u0080"})},
                 {},
                 {"Leek soup @ Soups", "Ta\u00A0rt\u200F @ Cakes"},
                 "Import 2 recipes into 2 categories (1 new)?",
                 ""},
        PlanCase{"TitlesAndNamesFitTheirFieldsOnOneLine",
                 {entry(longName, {longName}), entry(longName, {}, "other"),
                  entry("Two\r\nlines", {"A\nB"})},
                 {},
                 {QString(255, u'n') + " @ " + QString(125, u'n'),
                  QString(251, u'n') + " (2) @ Imported recipes", "Two  lines @ A B"},
                 "Import 3 recipes into 3 categories (3 new)?",
                 "1 title is taken, numbered like \"" + QString(251, u'n') + " (2)\"."}),
    [](const auto& info) { return std::string(info.param.name); });

// A problem of a whole file names the file alone.
TEST(ImportSummaryDetails, ListEachProblemAndTitleWithItsFileAndLine) {
    TestCookbook cookbook({{1, "Soups"}}, {{10, 1, "Onion Soup", "1 onion", "Boil."}});
    const ImportPlan plan = planImport(
        cookbook.categories(), cookbook.recipes(),
        {{entry("Onion Soup", {}), entry("Onion Soup", {}, "2 onions")},
         {{ImportProblem::Kind::Recipe, "/tmp/x/a.mmf", 1234, "a recipe without a title"},
          {ImportProblem::Kind::File, "/tmp/x/pipe.json", 0,
           "this is a device or a pipe, not a file"}}});
    EXPECT_EQ(summarizeImport(plan).details,
              "Files that could not be read:\n"
              "pipe.json: this is a device or a pipe, not a file\n\n"
              "Recipes that could not be read:\n"
              "a.mmf, line 1,234: a recipe without a title\n\n"
              "Numbered titles:\n"
              "recipes.mmf, line 7: \"Onion Soup\" is added as \"Onion Soup (2)\"\n\n"
              "Already in the cookbook:\n"
              "recipes.mmf, line 7: \"Onion Soup\"");
}

TEST(ImportAdding, NumbersFromTheNextIdsAndWritesAtTheRebuild) {
    TestCookbook cookbook({{1, "Soups"}}, {{10, 1, "Onion Soup", "1 onion", "Boil."}});
    RecipeEntry withYield = entry("Bagel", {"Bakery"});
    withYield.servings = "12 bagels";
    withYield.notes = "https://example.com/bagel";
    withYield.picture = "https://example.com/bagel.jpg";
    ImportPlan plan = planImport(cookbook.categories(), cookbook.recipes(),
                                 {{entry("Leek Soup", {"Soups"}), withYield}, {}});
    addImport(std::move(plan), cookbook.categories(), cookbook.recipes(), 5, 40);
    cookbook.rebuild();

    const std::vector<Row> categories = cookbook.rowsInFile("categories.xml");
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories[0], categoryRow(5, 0, QStringLiteral("Bakery")));
    const std::vector<Row> recipes = cookbook.rowsInFile("recipes.xml");
    const std::optional<Row> bagel = findRow(recipes, 2, "Bagel");
    ASSERT_TRUE(bagel);
    EXPECT_EQ(*bagel, (Row{Value::integer(41), Value::integer(5), Value::text(QByteArray("Bagel")),
                           Value::text(QByteArray("1 onion")), Value::text(QByteArray("Boil.")),
                           Value::text(QByteArray("12 bagels")),
                           Value::text(QByteArray("https://example.com/bagel")),
                           Value::text(QByteArray("https://example.com/bagel.jpg"))}));
    const std::optional<Row> leek = findRow(recipes, 2, "Leek Soup");
    ASSERT_TRUE(leek);
    EXPECT_EQ((*leek)[0], Value::integer(40));
    EXPECT_EQ((*leek)[1], Value::integer(1));
}

// The yield, the notes and the picture's address are cut to 255 characters,
// never inside a character: a surrogate pair across the cut goes whole.
TEST(ImportPlanShortTexts, FitTheirFieldsBetweenCharacters) {
    TestCookbook cookbook({}, {});
    RecipeEntry recipe = entry("Long", {});
    const QString emoji = QStringLiteral("\U0001F600");
    recipe.servings = (QString(254, u's') + emoji).toUtf8();
    recipe.notes = (QString(253, u'n') + emoji + QStringLiteral("tail")).toUtf8();
    recipe.picture = QByteArray(300, 'p');
    const ImportPlan plan = planImport(cookbook.categories(), cookbook.recipes(), {{recipe}, {}});
    ASSERT_EQ(plan.recipes.size(), 1u);
    const RecipeEntry& planned = plan.recipes.front();
    EXPECT_EQ(QString::fromUtf8(*planned.servings), QString(254, u's'));
    EXPECT_EQ(QString::fromUtf8(*planned.notes), QString(253, u'n') + emoji);
    EXPECT_EQ(*planned.picture, QByteArray(255, 'p'));
}

TEST(ImportAdding, NumbersPastTheLargestIdAreRefusedAndNothingIsAdded) {
    TestCookbook cookbook({{1, "Soups"}}, {});
    ImportPlan plan = planImport(cookbook.categories(), cookbook.recipes(),
                                 {{entry("A", {"Soups"}), entry("B", {"Soups"})}, {}});
    const QString message = [&] {
        try {
            addImport(std::move(plan), cookbook.categories(), cookbook.recipes(), 2,
                      std::numeric_limits<std::int32_t>::max());
        } catch (const Error& error) {
            return error.message();
        }
        return QString();
    }();
    EXPECT_EQ(message, "The cookbook has no room for more record numbers, so nothing was imported");
    EXPECT_EQ(cookbook.recipes().recordCount(), 0);
    EXPECT_FALSE(cookbook.recipes().isChanged());
}

} // namespace
