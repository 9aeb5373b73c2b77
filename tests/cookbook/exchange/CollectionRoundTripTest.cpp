// A cookbook exported as a collection and imported into an empty one comes back with
// the same categories and recipes: exactly as JSON, and as MealMaster within the limits
// that docs/import-export.md lists (which are pinned here too).
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/CollectionExport.h"
#include "cookbook/exchange/ImportPlan.h"
#include "cookbook/exchange/RecipeExport.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "cookbook/exchange/formats/json/RecipeJsonWriter.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterWriter.h"
#include "data/files/DataFolder.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct StoredRecipe {
    QString category;
    QString title;
    QString ingredients;
    QString preparation;
    std::optional<QString> servings = std::nullopt;
    std::optional<QString> notes = std::nullopt;
};

// Recipes whose texts test the layout rules: columns, wrapping, marks, blank
// lines, characters beyond ASCII.
const std::vector<StoredRecipe> trickyRecipes{
    {"Desserts", "Grandma's Apple Pie ½",
     "2 c flour\r\n1 1/2 ts salt\r\n3 eggs\r\n- 2 eggs for the glaze\r\n10-12 apples, peeled, "
     "cored and cut into thin wedges\r\n\r\nTopping:\r\n½ cup sugar\r\n1 T butter\r\n1 t cinnamon",
     "Mix.\r\nBake at 180 °C for 40 minutes, until the crust is golden brown and the filling "
     "bubbles through the vents; ratio :1 to 2.\r\n\r\n:Serve warm.\r\nMMMMM\r\n-----\r\n"
     "Then rest.  Two blanks stay where no line is broken.",
     "8 servings"},
    {"Desserts", "Crème brûlée", "", "1 2 3 c  x\r\nDone."},
    {"Soups", "Long Words",
     "1 https://example.com/a-very-long-address-without-any-blanks-at-all\r\n6 lg apples", "x"},
    {"Soups", "Empty", "", ""},
};

void addRecipes(Table& categories, Table& recipes, const std::vector<StoredRecipe>& stored) {
    std::int32_t nextId = 1;
    QStringList names;
    for (const StoredRecipe& recipe : stored) {
        if (!names.contains(recipe.category)) {
            names << recipe.category;
            categories.insertRecord({static_cast<std::int32_t>(names.size()), 0, recipe.category});
        }
        const auto text = [](const std::optional<QString>& value) {
            return value ? FieldInput(*value) : FieldInput(nullptr);
        };
        recipes.insertRecord(
            {nextId++, static_cast<std::int32_t>(names.indexOf(recipe.category) + 1), recipe.title,
             recipe.ingredients, recipe.preparation, text(recipe.servings), text(recipe.notes)});
    }
}

QStringList describe(const std::vector<RecipeEntry>& recipes) {
    QStringList lines;
    for (const RecipeEntry& recipe : recipes)
        lines << QString::fromUtf8(recipe.categories.value(0) + " | " + recipe.title + " | " +
                                   recipe.ingredients + " | " + recipe.preparation + " | " +
                                   recipe.servings.value_or("<none>") + " | " +
                                   recipe.notes.value_or("<none>"));
    return lines;
}

// Exports the source's cookbook to a file, imports that into an empty
// cookbook and returns what the empty one then holds.
std::vector<RecipeEntry> roundTrip(Table& categories, Table& recipes, CollectionFormat format) {
    const std::vector<RecipeEntry> exported = recipesForExport(categories, recipes);
    QTemporaryDir folder;
    const QString path =
        folder.filePath(format == CollectionFormat::MealMaster ? "all.mmf" : "all.json");
    exportCollection(path, format, exported, *DataFolder::atPath(folder.filePath("cookbook")));
    ImportProgress progress;
    RecipeBatch batch = RecipeFileReader::read({path}, progress);
    EXPECT_EQ(problemLines(batch.problems), QStringList());
    TestCookbook empty({}, {});
    ImportPlan plan = planImport(empty.categories(), empty.recipes(), std::move(batch));
    EXPECT_TRUE(plan.duplicates.empty() && plan.renamed.empty());
    addImport(std::move(plan), empty.categories(), empty.recipes(), 1, 1);
    empty.rebuild();
    return recipesForExport(empty.categories(), empty.recipes());
}

class RoundTrip : public ::testing::TestWithParam<CollectionFormat> {};

TEST_P(RoundTrip, TheInitialCookbookComesBackTheSame) {
    Table categories(categoriesTableDefinition());
    Table recipes(recipesTableDefinition());
    const std::vector<RecipeEntry> before = recipesForExport(categories, recipes);
    ASSERT_EQ(before.size(), 124u); // the one recipe of no category is not in the tree
    EXPECT_EQ(describe(roundTrip(categories, recipes, GetParam())), describe(before));
}

TEST_P(RoundTrip, RecipesThatTestTheLayoutComeBackTheSame) {
    TestCookbook source({}, {});
    addRecipes(source.categories(), source.recipes(), trickyRecipes);
    source.rebuild();
    const std::vector<RecipeEntry> before = recipesForExport(source.categories(), source.recipes());
    EXPECT_EQ(describe(roundTrip(source.categories(), source.recipes(), GetParam())),
              describe(before));
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Values(CollectionFormat::MealMaster,
                                           CollectionFormat::RecipeJson),
                         [](const auto& info) {
                             return info.param == CollectionFormat::MealMaster ? "MealMaster"
                                                                               : "Json";
                         });

TEST(JsonRoundTrip, KeepsWhatMealMasterCannotHold) {
    TestCookbook source({}, {});
    addRecipes(source.categories(), source.recipes(),
               {{"Soups, Stews", "  Padded title ", " indented\r\n\r\n\r\n", "\r\n step \r\n", "",
                 "https://example.com/soup"},
                {" Spaced ", "Notes", "-x", "a", "2", "Grandma's card"}});
    source.rebuild();
    const std::vector<RecipeEntry> before = recipesForExport(source.categories(), source.recipes());
    EXPECT_EQ(
        describe(roundTrip(source.categories(), source.recipes(), CollectionFormat::RecipeJson)),
        describe(before));
}

struct LimitCase {
    const char* name;
    StoredRecipe stored;
    QString comesBack; // as describe() puts it
};

void PrintTo(const LimitCase& limit, std::ostream* out) {
    *out << limit.name;
}

class MealMasterLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(MealMasterLimits, AreTheOnesDocumented) {
    TestCookbook source({}, {});
    addRecipes(source.categories(), source.recipes(), {GetParam().stored});
    source.rebuild();
    const QStringList after =
        describe(roundTrip(source.categories(), source.recipes(), CollectionFormat::MealMaster));
    EXPECT_EQ(after, QStringList{GetParam().comesBack});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MealMasterLimits,
    ::testing::Values(LimitCase{"BlanksAtTheEndsOfLinesAndEmptyLinesAtTheEndsOfTexts",
                                {"Soups", " Soup ", "\r\n 1 onion \r\n", "\r\n Boil. \r\n\r\n"},
                                "Soups | Soup | 1 onion | Boil. | <none> | <none>"},
                      LimitCase{"ACommaInTheCategoryName",
                                {"Soups, Stews", "Soup", "1 onion", "Boil."},
                                "Soups | Soup | 1 onion | Boil. | <none> | <none>"},
                      LimitCase{"AnIngredientLineBeginningWithAHyphenJoinsTheLineAbove",
                                {"Soups", "Soup", "1 onion\r\n-salt", "Boil."},
                                "Soups | Soup | 1 onion salt | Boil. | <none> | <none>"},
                      LimitCase{"AnIngredientLineOfHyphensJoinsTheLineAboveAndStartsNoRecipe",
                                {"Soups", "Soup", "1 onion\r\n------- via Meal-Master", "Boil."},
                                "Soups | Soup | 1 onion ------ via Meal-Master | Boil. | <none> | "
                                "<none>"},
                      LimitCase{"AnIngredientLineBeginningWithAColonJoinsTheLineAbove",
                                {"Soups", "Soup", "1 onion\r\n:salt", "Boil."},
                                "Soups | Soup | 1 onion salt | Boil. | <none> | <none>"},
                      LimitCase{
                          "TheNotesBecomeTheLastParagraph",
                          {"Soups", "Soup", "1 onion", "Boil.", "4", "Grandma"},
                          "Soups | Soup | 1 onion | Boil.\r\n\r\nSource: Grandma | 4 | <none>"}),
    [](const auto& info) { return std::string(info.param.name); });

// Many recipes, each told apart by its number, in several batches.
std::vector<RecipeEntry> numberedRecipes(int count) {
    std::vector<RecipeEntry> recipes;
    for (int number = 0; number < count; ++number) {
        RecipeEntry recipe;
        recipe.title = "Recipe " + QByteArray::number(number);
        recipe.categories = {"Category " + QByteArray::number(number % 7)};
        recipe.ingredients = QByteArray::number(number) + " c flour\r\n2 eggs";
        recipe.preparation = "Stir " + QByteArray::number(number) + " times.\r\nBake.";
        recipe.servings = QByteArray::number(number % 5);
        recipes.push_back(std::move(recipe));
    }
    return recipes;
}

QByteArray writtenOneByOne(const std::vector<RecipeEntry>& recipes, CollectionFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == CollectionFormat::MealMaster)
        MealMasterWriter::write(buffer, recipes);
    else
        RecipeJsonWriter::write(buffer, recipes);
    return bytes;
}

class CollectionBatches : public ::testing::TestWithParam<std::tuple<CollectionFormat, int>> {};

TEST_P(CollectionBatches, HoldTheRecipesInOrderAsWrittenOneByOne) {
    const auto [format, count] = GetParam();
    const std::vector<RecipeEntry> recipes = numberedRecipes(count);
    std::vector<std::size_t> told;
    const QByteArray bytes = collectionBytes(recipes, format, [&told](std::size_t laidOut) {
        told.push_back(laidOut);
        return true;
    });
    EXPECT_TRUE(bytes == writtenOneByOne(recipes, format));
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.empty() ? 0 : told.back(), recipes.size());
}

INSTANTIATE_TEST_SUITE_P(Sizes, CollectionBatches,
                         ::testing::Combine(::testing::Values(CollectionFormat::MealMaster,
                                                              CollectionFormat::RecipeJson),
                                            ::testing::Values(0, 1, 255, 257, 2049)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ==
                                                        CollectionFormat::MealMaster
                                                    ? "MealMaster"
                                                    : "Json") +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(CollectionExport, StoppedByItsProgressLeavesTheFileAsItWas) {
    QTemporaryDir folder;
    const QString path = folder.filePath("kept.mmf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("what was there");
    file.close();
    EXPECT_THROW(exportCollection(path, CollectionFormat::MealMaster, numberedRecipes(3000),
                                  *DataFolder::atPath(folder.filePath("cookbook")),
                                  [](std::size_t laidOut) { return laidOut < 1000; }),
                 ExportCancelled);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "what was there");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.mmf"})
        << "no temporary file is left behind";
}

TEST(RecipeTextImport, ReadsWhatExportRecipeToFileWrote) {
    const QByteArray one =
        exportedRecipeText({"Soups", "Leek Soup", "2 leeks\n1 potato", "Boil.\n\nBlend."});
    const QByteArray two = exportedRecipeText({"", "Water", "", "Pour."});
    QTemporaryDir folder;
    QFile file(folder.filePath("two.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(one + two + one.left(one.indexOf("Blend")));
    file.close();
    ImportProgress progress;
    const RecipeBatch batch = RecipeFileReader::read({file.fileName()}, progress);
    expectRecipes(
        batch.recipes,
        {{"Leek Soup", {"Soups"}, std::nullopt, "2 leeks\r\n1 potato", "Boil.\r\n\r\nBlend."},
         {"Water", {}, std::nullopt, "", "Pour."},
         {"Leek Soup", {"Soups"}, std::nullopt, "2 leeks\r\n1 potato", "Boil.\r\n"}});
    EXPECT_EQ(problemLines(batch.problems),
              QStringList{"30: \"Leek Soup\" is cut off before its closing lines; it is read as "
                          "far as it goes"});
}

} // namespace
