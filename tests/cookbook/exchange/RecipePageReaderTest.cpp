// Web pages as sites write them: sloppy JSON-LD, step names and sections, microdata,
// h-recipe, the page's addresses; and pages meant to hurt.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "cookbook/exchange/formats/html/RecipePageReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct PageCase {
    const char* name;
    QByteArray page;
    QString fetchedFrom;
    std::vector<ExpectedRecipe> recipes;
    QStringList problems; // "line: message"
};

void PrintTo(const PageCase& pageCase, std::ostream* out) {
    *out << pageCase.name;
}

class WebPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(WebPages, GiveTheirRecipes) {
    const RecipeBatch batch =
        RecipePageReader::read(GetParam().page, "page.html", QUrl(GetParam().fetchedFrom));
    expectRecipes(batch.recipes, GetParam().recipes);
    EXPECT_EQ(problemLines(batch.problems), GetParam().problems);
}

QByteArray linkedData(const QByteArray& json) {
    return "<script type=\"application/ld+json\">" + json + "</script>\n";
}

const QByteArray stepsAndSections = linkedData(R"({"@type": "Recipe", "name": "Pie",
  "recipeInstructions": [
    {"@type": "HowToSection", "name": "Dough", "itemListElement": [
      {"@type": "HowToStep", "name": "Mix", "text": "Mix the flour and water."},
      {"@type": "HowToStep", "name": "Knead the dough...", "text": "Knead the dough well."}]},
    {"@type": "HowToSection", "name": "Filling &amp; baking", "itemListElement": [
      {"@type": "HowToStep", "name": "Bake at 200 C.", "text": "Bake at 200 C."},
      {"@type": "HowToStep", "text": "<p>Cool.</p><p>Serve.</p>"}]}]})");

const QByteArray microdata = R"(<html><body>
<div itemscope itemtype="https://schema.org/Recipe">
  <h1 itemprop="name">Apple   Pie &amp;amp; Cream</h1>
  <div itemprop="author" itemscope itemtype="https://schema.org/Person">
    <span itemprop="name">Ann</span></div>
  <img itemprop="image" src="data:image/gif;base64,R0lGOD" data-src="/pie.jpg">
  <meta itemprop="recipeYield" content="8 servings">
  <span itemprop="recipeCategory">Desserts, Pies</span>
  <ul><li itemprop="recipeIngredient">2 <b>cups</b> flour</li>
      <li itemprop="recipeIngredient">6
          apples</li></ul>
  <div itemprop="recipeInstructions" itemscope itemtype="https://schema.org/HowToStep">
    <b itemprop="name">Crust</b> <p itemprop="text">Roll out the dough.</p></div>
  <div itemprop="recipeInstructions" itemscope itemtype="http://schema.org/HowToStep">
    <p itemprop="text">Fill and bake.</p></div>
  <div itemprop="recipeInstructions">Cool.<br>Serve.</div>
</div></body></html>)";

const QByteArray microdataSections = R"(<div itemscope itemtype="http://data-vocabulary.org/Recipe">
 <span itemprop="name">Bread</span> <span itemprop="ingredient">flour</span>
 <span itemprop="yield">1 loaf</span>
 <div itemprop="recipeInstructions" itemscope itemtype="https://schema.org/HowToSection">
   <h3 itemprop="name">Dough</h3>
   <div itemprop="itemListElement" itemscope itemtype="https://schema.org/HowToStep">
     <span itemprop="text">Knead.</span></div></div>
 <div itemprop="recipeInstructions" itemscope itemtype="https://schema.org/HowToSection">
   <h3 itemprop="name">Baking</h3>
   <div itemprop="itemListElement" itemscope itemtype="https://schema.org/HowToStep">
     <span itemprop="text">Bake.</span></div></div></div>)";

const QByteArray hRecipe = R"(<article class="h-recipe">
 <h1 class="p-name">Lemonade</h1>
 <p class="p-author h-card"><span class="p-name">Bo</span> <img class="u-photo" src="bo.jpg"></p>
 <img class="u-photo" src="lemon.jpg">
 <span class="p-yield">4 glasses</span> <span class="p-category">Drinks</span>
 <ul><li class="p-ingredient">3 lemons</li><li class="p-ingredient">1 l water</li></ul>
 <div class="e-instructions"><ol><li>Squeeze.</li><li>Stir &amp; chill.</li></ol></div>
</article>)";

INSTANTIATE_TEST_SUITE_P(
    Layouts, WebPages,
    ::testing::Values(
        PageCase{"CdataWrapperWithBlanksCommentsAndTrailingCommas",
                 "<html><head><script type=\"application/ld+json\">// <![CDATA[\n"
                 "{\"@context\": \"https://schema.org\", \"@type\": \"Recipe\", // the recipe\n"
                 " \"name\": \"Soup\", \"recipeIngredient\": [\"1 onion\", \"2 l water\",],\n"
                 " /* the steps */ \"recipeInstructions\": \"Boil.\",\n}\n// ]]></script>"
                 "</head></html>",
                 "",
                 {{"Soup", {}, std::nullopt, "1 onion\r\n2 l water", "Boil."}},
                 {}},
        PageCase{"CdataWrappersWithoutBlanks",
                 linkedData(R"(/*<![CDATA[*/{"@type":"Recipe","name":"Tea"}/*]]>*/)") +
                     linkedData(R"(//<![CDATA[
{"@type":"Recipe","name":"Toast"}
//]]>)") + linkedData(R"(<![CDATA[{"@type":"Recipe","name":"Jam"}]]>)"),
                 "",
                 {{"Tea", {}, std::nullopt, "", ""},
                  {"Toast", {}, std::nullopt, "", ""},
                  {"Jam", {}, std::nullopt, "", ""}},
                 {}},
        PageCase{"LinesStayWhereTheyWereAroundComments",
                 "<html>\n<script type=\"application/ld+json\">\n/* a comment\n   over lines */\n"
                 "[{\"@type\": \"Recipe\", \"name\": \"A\"},\n // a note\n"
                 " {\"@type\": \"Recipe\"},]\n</script></html>",
                 "",
                 {{"A", {}, std::nullopt, "", ""}},
                 {"7: a Recipe without a name; it is left out"}},
        PageCase{"OnlySomeScriptsHoldARecipeAndABrokenOneIsARemark",
                 linkedData(R"({"@type": "Organization", "name": "Site"})") +
                     linkedData(R"({"@type": "BreadcrumbList", "itemListElement": [{{crumbs}}]})") +
                     linkedData(R"({"@context": "https://schema.org", "@graph": [
                        {"@type": "WebPage", "name": "Page"},
                        {"@type": ["Recipe", "NewsArticle"], "name": "Stew"}]})"),
                 "",
                 {{"Stew", {}, std::nullopt, "", ""}},
                 {"2: a script of the page is left out, not readable as JSON: unterminated "
                  "object"}},
        PageCase{"StepNamesAreHeadingsAndSectionsStandApart",
                 stepsAndSections,
                 "",
                 {{"Pie",
                   {},
                   std::nullopt,
                   "",
                   "Dough\r\nMix\r\nMix the flour and water.\r\nKnead the dough well.\r\n\r\n"
                   "Filling & baking\r\nBake at 200 C.\r\nCool.\r\nServe."}},
                 {}},
        PageCase{"TheCanonicalLinkIsTheSourceAndImagesAreMadeAbsolute",
                 "<html><head><link rel=\"canonical\" href=\"/recipes/soup\">"
                 "<meta property=\"og:url\" content=\"https://other.example/x\"></head>" +
                     linkedData(R"({"@type": "Recipe", "name": "Soup",
                        "url": "https://example.com/old", "recipeYield": ["4", "4 bowls"],
                        "image": [{"@type": "ImageObject", "url": "/img/soup.jpg"}, "x.jpg"]})"),
                 "https://example.com/r/soup?utm=x",
                 {{"Soup",
                   {},
                   "4 bowls",
                   "",
                   "",
                   "https://example.com/recipes/soup",
                   "https://example.com/img/soup.jpg"}},
                 {}},
        PageCase{"OpenGraphAddressOfASavedPage",
                 "<meta property=\"og:url\" content=\"https://example.com/tea\">" +
                     linkedData(R"({"@type": "Recipe", "name": "Tea",
                        "image": "https://cdn.example.com/tea.jpg?w=800&amp;h=600"})"),
                 "",
                 {{"Tea",
                   {},
                   std::nullopt,
                   "",
                   "",
                   "https://example.com/tea",
                   "https://cdn.example.com/tea.jpg?w=800&h=600"}},
                 {}},
        PageCase{"WithoutAnyAddressTheRecipesOwnAndTheImageAsItStands",
                 linkedData(R"({"@type": "Recipe", "name": "Jam", "image": "img/jam.jpg",
                    "isBasedOn": "Grandma", "url": "https://example.com/jam"})") +
                     linkedData(R"({"@type": "Recipe", "name": "Curd",
                    "image": "data:image/png;base64,iVBOR", "isBasedOn": "Grandma"})"),
                 "",
                 {{"Jam", {}, std::nullopt, "", "", "https://example.com/jam", "img/jam.jpg"},
                  {"Curd", {}, std::nullopt, "", "", "Grandma"}},
                 {}},
        PageCase{"ABaseAddressResolvesImages",
                 "<head><base href=\"https://static.example.com/pics/\">"
                 "<link rel=\"Canonical\" href=\"https://example.com/pie\"></head>" +
                     linkedData(R"({"@type": "Recipe", "name": "Pie", "image": "pie.jpg"})"),
                 "",
                 {{"Pie",
                   {},
                   std::nullopt,
                   "",
                   "",
                   "https://example.com/pie",
                   "https://static.example.com/pics/pie.jpg"}},
                 {}},
        PageCase{"ALongAddressLosesItsQueryRatherThanBeCut",
                 linkedData(R"({"@type": "Recipe", "name": "Pie"})"),
                 "https://example.com/pie?" + QString(300, u'q'),
                 {{"Pie", {}, std::nullopt, "", "", "https://example.com/pie"}},
                 {}},
        PageCase{"Microdata",
                 microdata,
                 "https://example.com/pie",
                 {{"Apple Pie & Cream",
                   {"Desserts", "Pies"},
                   "8 servings",
                   "2 cups flour\r\n6 apples",
                   "Crust\r\nRoll out the dough.\r\nFill and bake.\r\nCool.\r\nServe.",
                   "https://example.com/pie",
                   "https://example.com/pie.jpg"}},
                 {}},
        PageCase{"MicrodataSectionsAndTheOldVocabulary",
                 microdataSections,
                 "",
                 {{"Bread", {}, "1 loaf", "flour", "Dough\r\nKnead.\r\n\r\nBaking\r\nBake."}},
                 {}},
        PageCase{"HRecipe",
                 hRecipe,
                 "https://example.org/drinks/lemonade",
                 {{"Lemonade",
                   {"Drinks"},
                   "4 glasses",
                   "3 lemons\r\n1 l water",
                   "Squeeze.\r\nStir & chill.",
                   "https://example.org/drinks/lemonade",
                   "https://example.org/drinks/lemon.jpg"}},
                 {}},
        PageCase{"HRecipeOfOld",
                 R"(<div class="hrecipe"><span class="fn">Cocoa</span>
                    <span class="ingredient">milk</span> <span class="yield">1 cup</span>
                    <a class="photo" href="https://example.net/cocoa.png">photo</a>
                    <span class="tag">Drinks</span>
                    <div class="instructions">Heat.<p>Stir.</p></div></div>)",
                 "",
                 {{"Cocoa",
                   {"Drinks"},
                   "1 cup",
                   "milk",
                   "Heat.\r\nStir.",
                   std::nullopt,
                   "https://example.net/cocoa.png"}},
                 {}},
        PageCase{"JsonLdBeforeMarkup",
                 linkedData(R"({"@type": "Recipe", "name": "From JSON"})") + microdata,
                 "",
                 {{"From JSON", {}, std::nullopt, "", ""}},
                 {}},
        PageCase{"MarkupRecipeWithoutAName",
                 "<html><body>\n<p>Hi</p>\n<div itemscope itemtype=\"https://schema.org/Recipe\">"
                 "<span itemprop=\"recipeIngredient\">salt</span></div></body></html>",
                 "",
                 {},
                 {"3: a recipe without a name; it is left out"}},
        PageCase{"NoRecipe",
                 "<html><body><p>Hello</p></body></html>",
                 "",
                 {},
                 {"1: no recipe was found in this page: it holds no schema.org Recipe (JSON-LD "
                  "or microdata) and no h-recipe"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The download's entry names the page by its address and reads it as a
// saved page is read.
TEST(WebPageFromAnAddress, IsReadAsASavedPageAndNamedByItsAddress) {
    const RecipeBatch read = RecipeFileReader::readPage(
        linkedData(R"({"@type": "Recipe", "name": "Pie", "image": "pie.jpg"})"),
        QUrl("https://example.com/p/pie"));
    expectRecipes(read.recipes, {{"Pie",
                                  {},
                                  std::nullopt,
                                  "",
                                  "",
                                  "https://example.com/p/pie",
                                  "https://example.com/p/pie.jpg"}});
    EXPECT_EQ(read.recipes.front().file, "https://example.com/p/pie");
    const RecipeBatch none =
        RecipeFileReader::readPage("<p>no recipe</p>", QUrl("https://example.com/about"));
    ASSERT_EQ(none.problems.size(), 1u);
    EXPECT_EQ(none.problems.front().file, "https://example.com/about");
}

// A saved page goes through the import's entry as before, its microdata too.
TEST(SavedWebPage, IsReadThroughTheImportsEntry) {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("pie.htm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<body>\n" + microdata);
    file.close();
    ImportProgress progress;
    const RecipeBatch batch = RecipeFileReader::read({file.fileName()}, progress);
    ASSERT_EQ(batch.recipes.size(), 1u);
    EXPECT_EQ(batch.recipes.front().title, "Apple Pie & Cream");
    EXPECT_EQ(batch.recipes.front().picture, "/pie.jpg"); // no address to resolve it against
    EXPECT_TRUE(batch.problems.empty());
}

struct HostileCase {
    const char* name;
    QByteArray page;
};

void PrintTo(const HostileCase& hostileCase, std::ostream* out) {
    *out << hostileCase.name;
}

class HostilePages : public ::testing::TestWithParam<HostileCase> {};

// Whatever the page, reading it ends soon (the test's time limit) without a
// crash (the sanitizers), and what it gives is text without markup.
TEST_P(HostilePages, GiveCleanTextOrAProblem) {
    const RecipeBatch batch = RecipePageReader::read(GetParam().page, "hostile.html");
    EXPECT_FALSE(batch.recipes.empty() && batch.problems.empty());
    static const QRegularExpression tag(QStringLiteral("<[a-zA-Z/!]"));
    for (const RecipeEntry& recipe : batch.recipes) {
        EXPECT_FALSE(recipe.title.isEmpty());
        for (const QByteArray& text : {recipe.title, recipe.ingredients, recipe.preparation}) {
            EXPECT_TRUE(QByteArrayView(text).isValidUtf8());
            EXPECT_FALSE(QString::fromUtf8(text).contains(tag)) << text.left(80).toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HostilePages,
    ::testing::Values(
        HostileCase{"DeepNestingAroundMicrodata",
                    QByteArray("<div>").repeated(100'000) +
                        "<div itemscope itemtype=\"https://schema.org/Recipe\">"
                        "<b itemprop=\"name\">Deep</b></div>"},
        HostileCase{"DeepNestingInJson",
                    linkedData(QByteArray("[").repeated(100'000) + "{\"@type\":\"Recipe\"}")},
        HostileCase{
            "AnUnterminatedScript",
            "<script type=\"application/ld+json\">{\"@type\": \"Recipe\", \"name\": \"X\"}"},
        HostileCase{"AnUnterminatedScriptTag", "<p>x</p><script type=\"application/ld+json\""},
        HostileCase{"AHugeEntityInAName", linkedData("{\"@type\": \"Recipe\", \"name\": \"&" +
                                                     QByteArray(2'000'000, 'a') + ";<b>x</b>\"}")},
        HostileCase{"InvalidUtf8",
                    linkedData("{\"@type\": \"Recipe\", \"name\": \"Cr\xE8me \xFF\xFE\xC3\"}")},
        HostileCase{"TagsWithoutEnd", "<div itemscope itemtype=\"x/Recipe\"><b itemprop=name>" +
                                          QByteArray("<i>").repeated(500'000)},
        HostileCase{"MarkupEncodedInMicrodata",
                    "<div itemscope itemtype=\"https://schema.org/Recipe\"><h1 itemprop=name>"
                    "&amp;lt;script&amp;gt;alert(1)&amp;lt;/script&amp;gt;&lt;b&gt;Pie</h1>"
                    "<p itemprop=recipeInstructions>&lt;div&gt;Bake&lt;/div&gt;</p></div>"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
