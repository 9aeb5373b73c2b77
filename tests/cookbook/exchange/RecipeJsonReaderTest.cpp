// The schema.org Recipe reader on the shapes JSON-LD comes in, on web pages, and on
// documents that hold no recipe or break the parser.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/formats/json/RecipeJsonReader.h"

#include <gtest/gtest.h>

#include <functional>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct JsonCase {
    const char* name;
    QByteArray text;
    std::vector<ExpectedRecipe> recipes;
    QStringList problems; // "line: message"
};

void PrintTo(const JsonCase& jsonCase, std::ostream* out) {
    *out << jsonCase.name;
}

// Each recipe read with its line, and each problem; a text that does not
// parse as "not readable", whatever words name its fault.
QStringList readingOf(const RecipeBatch& batch) {
    QStringList reading;
    for (const RecipeEntry& recipe : batch.recipes)
        reading << QStringLiteral("%1: %2 [%3] %4 / %5 / %6 / %7 / %8")
                       .arg(recipe.line)
                       .arg(QString::fromUtf8(recipe.title),
                            QString::fromUtf8(recipe.categories.join('|')),
                            QString::fromUtf8(recipe.ingredients),
                            QString::fromUtf8(recipe.preparation),
                            optionalText(recipe.servings).value_or("-"),
                            optionalText(recipe.notes).value_or("-"),
                            optionalText(recipe.picture).value_or("-"));
    for (const QString& problem : problemLines(batch.problems))
        reading << (problem.contains(QStringLiteral("not readable as JSON")) ? "not readable"
                                                                             : problem);
    return reading;
}

// A document taken apart into the smallest pieces, or into runs of a few
// elements, reads as it reads parsed whole.
void expectTheSameTakenApart(const RecipeBatch& whole,
                             const std::function<RecipeBatch(qsizetype wholeUpTo)>& read) {
    for (const qsizetype wholeUpTo : {0, 40}) {
        SCOPED_TRACE(wholeUpTo);
        EXPECT_EQ(readingOf(read(wholeUpTo)), readingOf(whole));
    }
}

class JsonDocuments : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonDocuments, GiveTheirRecipes) {
    const RecipeBatch batch = RecipeJsonReader::readDocument(GetParam().text, "recipes.json");
    expectRecipes(batch.recipes, GetParam().recipes);
    EXPECT_EQ(problemLines(batch.problems), GetParam().problems);
    expectTheSameTakenApart(batch, [](qsizetype wholeUpTo) {
        return RecipeJsonReader::readDocument(GetParam().text, "recipes.json", nullptr, wholeUpTo);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, JsonDocuments,
    ::testing::Values(
        JsonCase{"OneRecipeWithTextsAsTheyAre",
                 R"({"@context": "https://schema.org", "@type": "Recipe", "name": " Soup ",
                     "recipeCategory": "Soups, Starters", "recipeYield": ["4", "4 bowls"],
                     "recipeIngredient": ["1 onion", "", "2 l  water"],
                     "recipeInstructions": "Chop.\n\nBoil &amp; serve.",
                     "url": "https://example.com/soup"})",
                 {{" Soup ",
                   {"Soups", "Starters"},
                   "4 bowls",
                   "1 onion\r\n\r\n2 l  water",
                   "Chop.\r\n\r\nBoil &amp; serve.",
                   "https://example.com/soup"}},
                 {}},
        JsonCase{"ArrayOfRecipesWithStepsAndSections",
                 R"([{"@type": "Recipe", "name": "A", "recipeCategory": ["Mains, quick"],
                      "recipeInstructions": [{"@type": "HowToStep", "text": "One."},
                                             {"@type": "HowToStep", "name": "Two."}]},
                     {"@type": ["Recipe", "NewsArticle"], "name": "B", "recipeYield": 6,
                      "isBasedOn": {"@type": "CreativeWork", "name": "Grandma"},
                      "recipeInstructions": [
                        {"@type": "HowToSection", "name": "Dough",
                         "itemListElement": [{"@type": "HowToStep", "text": "Knead."}]},
                        "Bake."]}])",
                 {{"A", {"Mains, quick"}, std::nullopt, "", "One.\r\nTwo."},
                  {"B", {}, "6", "", "Dough\r\nKnead.\r\nBake.", "Grandma"}},
                 {}},
        JsonCase{"StepNamesAreHeadingsSectionsStandApartAndTheImageIsThePicture",
                 R"({"@type": "Recipe", "name": "Bread",
                     "image": [{"@type": "ImageObject", "contentUrl": "bread.jpg"}, "other.jpg"],
                     "recipeInstructions": [
                       {"@type": "HowToStep", "name": "Knead", "text": "Knead it."},
                       {"@type": "HowToStep", "name": "Shape it...", "text": "Shape it round."},
                       {"@type": "HowToSection", "name": "Bake", "itemListElement": ["Bake."]}]})",
                 {{"Bread",
                   {},
                   std::nullopt,
                   "",
                   "Knead\r\nKnead it.\r\nShape it round.\r\n\r\nBake\r\nBake.",
                   std::nullopt,
                   "bread.jpg"}},
                 {}},
        JsonCase{"GraphAndNestedRecipes",
                 R"({"@context": "https://schema.org", "@graph": [
                        {"@type": "WebSite", "name": "Site"},
                        {"@type": "WebPage", "mainEntity": {"@type": "schema:Recipe", "name": "C"}},
                        {"@type": "ItemList", "itemListElement": [
                           {"@type": "ListItem", "item": {"@type": "Recipe", "name": "D",
                                                          "ingredients": "salt"}}]}]})",
                 {{"C", {}, std::nullopt, "", ""}, {"D", {}, std::nullopt, "salt", ""}},
                 {}},
        JsonCase{"RecipeWithoutANameIsListedAtItsLine",
                 "[\n  {\"@type\": \"Recipe\", \"name\": \"E\"},\n\n  {\"@type\": \"Recipe\",\n"
                 "   \"recipeIngredient\": [\"x\"]}\n]",
                 {{"E", {}, std::nullopt, "", ""}},
                 {"4: a Recipe without a name; it is left out"}},
        JsonCase{"BlanksBeforeCommasKeepTheLines",
                 "{\"a\": [1\n , {\"@type\": \"Recipe\", \"name\": \"A\"}]\n,\n"
                 " \"b\": {\"@type\": \"Recipe\"}}",
                 {{"A", {}, std::nullopt, "", ""}},
                 {"4: a Recipe without a name; it is left out"}},
        JsonCase{"NoRecipe",
                 R"({"@type": "Article", "headline": "Not food"})",
                 {},
                 {"1: no schema.org Recipe was found in this file"}},
        JsonCase{"BrokenJsonNamesItsLine",
                 "[\n {\"@type\": \"Recipe\",\n  \"name\": \"F\"\n ,,]",
                 {},
                 {"4: not readable as JSON: unterminated object"}},
        JsonCase{"DeepNestingIsRefusedByTheParser",
                 QByteArray(100000, '[') + QByteArray(100000, ']'),
                 {},
                 {"1: not readable as JSON: too deeply nested document"}},
        JsonCase{"OfMembersOfOneNameTheLastCountsAndMembersGoByName",
                 "{\"@graph\": [{\"@type\": \"Recipe\", \"name\": \"Old\"}],\n"
                 " \"b\": {\"@type\": \"Recipe\", \"name\": \"B\"},\n"
                 " \"a\": [1, {\"@type\": \"Recipe\", \"name\": \"A\"}, \"x\"],\n"
                 " \"@graph\": [{\"@type\": \"Recipe\", \"name\": \"New\"}]}",
                 {{"New", {}, std::nullopt, "", ""},
                  {"A", {}, std::nullopt, "", ""},
                  {"B", {}, std::nullopt, "", ""}},
                 {}},
        JsonCase{"AFaultBetweenRecipesRefusesTheDocument",
                 "[{\"@type\": \"Recipe\", \"name\": \"G\"},\n tru,\n"
                 " {\"@type\": \"Recipe\", \"name\": \"H\"}]",
                 {},
                 {"2: not readable as JSON: illegal value"}},
        JsonCase{"GarbageAfterTheDocument",
                 "[{\"@type\": \"Recipe\", \"name\": \"I\"}]\n]",
                 {},
                 {"2: not readable as JSON: garbage at the end of the document"}},
        JsonCase{"Windows1252WhereTheBytesAreNotUtf8",
                 "{\"@type\": \"Recipe\", \"name\": \"Cr\xE8me\"}",
                 {{"Crème", {}, std::nullopt, "", ""}},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JsonWebPage, ReadsEachLinkedDataScriptAndCleansItsHtml) {
    const QByteArray page =
        "<!DOCTYPE html>\n<html><head>\n"
        "<script type=\"text/javascript\">var x = {\"@type\": \"Recipe\"};</script>\n"
        "<SCRIPT type='application/ld+json'>\n"
        "{\"@type\": \"Recipe\", \"name\": \"Mac &amp; Cheese\",\n"
        " \"recipeIngredient\": [\"1 &frac12; cups  macaroni \", \"<b>2</b> cups cheese\"],\n"
        " \"recipeInstructions\": \"<p>Boil.</p><p>Stir&nbsp;in cheese.</p>\",\n"
        " \"mainEntityOfPage\": {\"@id\": \"https://example.com/mac\"}}\n"
        "</script>\n"
        "<script type=\"application/ld+json\"><!--\n{\"@type\": \"Recipe\",}\n--></script>\n"
        "</head></html>\n";
    const RecipeBatch batch = RecipeJsonReader::readPage(page, "page.html");
    expectRecipes(batch.recipes, {{"Mac & Cheese",
                                   {},
                                   std::nullopt,
                                   "1 ½ cups macaroni\r\n2 cups cheese",
                                   "Boil.\r\nStir in cheese.",
                                   "https://example.com/mac"}});
    EXPECT_EQ(problemLines(batch.problems),
              QStringList{"11: a Recipe without a name; it is left out"});
    expectTheSameTakenApart(batch, [&](qsizetype wholeUpTo) {
        return RecipeJsonReader::readPage(page, "page.html", nullptr, wholeUpTo);
    });
}

// A large document is read in pieces: a Recipe too large to parse whole is
// left out, and those around it are read with their lines.
TEST(JsonLargeDocument, LeavesOutARecipeTooLargeAndReadsTheOthers) {
    const QByteArray huge = QByteArray(JsonPieces::largestPiece, 'x');
    const QByteArray document = "[\n{\"@type\": \"Recipe\", \"name\": \"Before\"},\n"
                                "{\"@type\": \"Recipe\", \"name\": \"Huge\", "
                                "\"recipeIngredient\": [\"" +
                                huge + "\"]},\n{\"@type\": \"Recipe\", \"name\": \"After\"}\n]";
    const RecipeBatch batch = RecipeJsonReader::readDocument(document, "large.json");
    expectRecipes(batch.recipes,
                  {{"Before", {}, std::nullopt, "", ""}, {"After", {}, std::nullopt, "", ""}});
    EXPECT_EQ(batch.recipes[1].line, 4);
    EXPECT_EQ(problemLines(batch.problems),
              QStringList{"3: a Recipe larger than 16 MB; it is left out"});
}

} // namespace
