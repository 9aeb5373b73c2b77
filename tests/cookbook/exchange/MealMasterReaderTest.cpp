// The MealMaster reader on hand-written files of each framing, column layout and
// encoding, and on damaged ones.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/formats/mealmaster/MealMasterReader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

RecipeBatch readMealMaster(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return MealMasterReader::read(buffer, QStringLiteral("recipes.mmf"));
}

struct ReaderCase {
    const char* name;
    QByteArray file;
    std::vector<ExpectedRecipe> recipes;
    QStringList problems; // "line: message"
};

void PrintTo(const ReaderCase& readerCase, std::ostream* out) {
    *out << readerCase.name;
}

class MealMasterFiles : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(MealMasterFiles, GiveTheirRecipes) {
    const RecipeBatch batch = readMealMaster(GetParam().file);
    expectRecipes(batch.recipes, GetParam().recipes);
    EXPECT_EQ(problemLines(batch.problems), GetParam().problems);
}

const QByteArray oneColumn =
    "From: someone@example.com\r\n"
    "Subject: pies\r\n"
    "\r\n"
    "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n"
    " \r\n"
    "      Title: Apple Pie\r\n"
    " Categories: Desserts, Pies\r\n"
    "      Yield: 8 servings\r\n"
    " \r\n"
    "MMMMM---------------------------CRUST------------------------------\r\n"
    "      2 c  Flour\r\n"
    "  1 1/2 ts Salt\r\n"
    "    3/4 c  Shortening, chilled and cut\r\n"
    "           -into small cubes\r\n"
    "           Ice water\r\n"
    " \r\n"
    "MMMMM--------------------------FILLING-----------------------------\r\n"
    "      6 lg Apples\r\n"
    " \r\n"
    "  Mix the flour and the salt, cut in the shortening and\r\n"
    "  add water until the dough holds.\r\n"
    " \r\n"
    "  Fill with apples.\r\n"
    "  :Bake 45 minutes.\r\n"
    " \r\n"
    "MMMMM\r\n"
    "-- \r\n"
    "a signature\r\n";

// The two-column layout lists the left column first; a continuation at the
// top of the right column continues the last ingredient on the left.
const QByteArray twoColumns =
    "---------- Recipe via Meal-Master (tm) v8.01\n"
    "\n"
    "      Title: Cannoli\n"
    " Categories: Italian, Desserts\n"
    "   Servings: 16\n"
    "\n"
    "----------------------------------FILLING----------------------------------\n"
    "  1 1/2 c  Whole-milk ricotta cheese;      1 1/2 c  Milk chocolate;\n"
    "           - well drained                           - coarsely chopped\n"
    "      3 tb Sugar                             1/4 c  Pistachio nuts\n"
    "\n"
    "-----------------------------------DOUGH-----------------------------------\n"
    "      1 c  All-purpose flour                        - or dry white wine\n"
    "      4 tb Sweet Marsala wine                  2 c  Vegetable oil\n"
    "\n"
    "  Combine the filling and chill.\n"
    "\n"
    "-----\n";

// As converters of old wrote MealMaster: every ingredient column two to the
// right, units in capitals, continuations with ":" or "-" wherever they fell;
// paragraphs told by their first line's indentation alone.
const QByteArray convertedCollection =
    "MMMMM----- Recipe via Meal-Master (tm) v8.02\r\n"
    " \r\n"
    "      Title: Old Stew\r\n"
    " Categories: Main dish\r\n"
    "      Yield: 6 servings\r\n"
    " \r\n"
    "        2 LB Beef, cut in cubes\r\n"
    "        1 C  Onion, chopped\r\n"
    "             :and browned\r\n"
    "        2 TB Flour\r\n"
    "           -  or cornstarch\r\n"
    "    1/2 TS Salt\r\n"
    "          :divided\r\n"
    " \r\n"
    "     Brown the beef in a heavy pot. Add the onion and cook until\r\n"
    "  soft.\r\n"
    "     Stir in the flour and salt, add water to cover and simmer\r\n"
    "  for two hours.\r\n"
    "\t Serve hot.\r\n"
    "\r\n"
    "  Keeps two days in\r\n"
    "  a cold place.\r\n"
    "MMMMM\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, MealMasterFiles,
    ::testing::Values(
        ReaderCase{"OneColumnWithHeadingsContinuationAndParagraphs",
                   oneColumn,
                   {{"Apple Pie",
                     {"Desserts", "Pies"},
                     "8 servings",
                     "CRUST\r\n2 c Flour\r\n1 1/2 ts Salt\r\n3/4 c Shortening, chilled and cut "
                     "into small cubes\r\nIce water\r\n\r\nFILLING\r\n6 lg Apples",
                     "Mix the flour and the salt, cut in the shortening and add water until the "
                     "dough holds.\r\n\r\nFill with apples.\r\nBake 45 minutes."}},
                   {}},
        ReaderCase{"TwoColumnsInTheDashFraming",
                   twoColumns,
                   {{"Cannoli",
                     {"Italian", "Desserts"},
                     "16",
                     "FILLING\r\n1 1/2 c Whole-milk ricotta cheese; well drained\r\n3 tb "
                     "Sugar\r\n1 1/2 c Milk chocolate; coarsely chopped\r\n1/4 c Pistachio "
                     "nuts\r\n\r\nDOUGH\r\n1 c All-purpose flour\r\n4 tb Sweet Marsala wine or dry "
                     "white wine\r\n2 c Vegetable oil",
                     "Combine the filling and chill."}},
                   {}},
        ReaderCase{"SeveralRecipesOldMacLineBreaksAndNoCategories",
                   "MMMMM----- Recipe via Meal-Master (tm) v8.05\r"
                   "      Title: Tea\r"
                   "\r"
                   "      1 x  Tea bag\r"
                   "\r"
                   "  Steep.\r"
                   "MMMMM\r"
                   "MMMMM----- Recipe via Meal-Master (tm) v8.05\r"
                   "      Title: Toast\r"
                   " Categories: Breakfast\r"
                   "\r"
                   "  Toast the bread.\r"
                   "MMMMM\r",
                   {{"Tea", {}, std::nullopt, "1 x Tea bag", "Steep."},
                    {"Toast", {"Breakfast"}, std::nullopt, "", "Toast the bread."}},
                   {}},
        ReaderCase{"Windows1252WhereTheBytesAreNotUtf8",
                   "MMMMM----- Recipe via Meal-Master\n      Title: Cr\xE8me br\xFBl\xE9"
                   "e\n\n      4    Egg yolks\n\n  Bake at 150\xB0.\nMMMMM\n",
                   {{"Crème brûlée", {}, std::nullopt, "4 Egg yolks", "Bake at 150°."}},
                   {}},
        ReaderCase{"CodePage437WhereTheFileSaysSo",
                   "Content-Type: text/plain; charset=IBM437\n\n"
                   "MMMMM----- Recipe via Meal-Master\n      Title: Caf\x82 au lait\n\n"
                   "  Heat to 70\xF8.\nMMMMM\n",
                   {{"Café au lait", {}, std::nullopt, "", "Heat to 70°."}},
                   {}},
        ReaderCase{"ShiftedColumnsCapitalUnitsAndIndentedParagraphs",
                   convertedCollection,
                   {{"Old Stew",
                     {"Main dish"},
                     "6 servings",
                     "2 LB Beef, cut in cubes\r\n1 C Onion, chopped and browned\r\n2 TB Flour or "
                     "cornstarch\r\n1/2 TS Salt divided",
                     "Brown the beef in a heavy pot. Add the onion and cook until soft.\r\nStir in "
                     "the flour and salt, add water to cover and simmer for two hours.\r\nServe "
                     "hot.\r\n\r\nKeeps two days in a cold place."}},
                   {}},
        ReaderCase{"CodePage437GuessedFromTheBytesOfEachRecipe",
                   "MMMMM----- Recipe via Meal-Master\n      Title: Caf\x82 cr\x8Ame\n\n"
                   "  Bake at 350\xF8"
                   "F for 1\xAB hours.\nMMMMM\n"
                   "MMMMM----- Recipe via Meal-Master\n      Title: Cr\xE8me br\xFBl\xE9"
                   "e\n\n  Bake at 150\xB0 for \xBD hour; don\x92t stir.\nMMMMM\n",
                   {{"Caf\u00E9 cr\u00E8me",
                     {},
                     std::nullopt,
                     "",
                     "Bake at 350\u00B0F for 1\u00BD hours."},
                    {"Cr\u00E8me br\u00FBl\u00E9e",
                     {},
                     std::nullopt,
                     "",
                     "Bake at 150\u00B0 for \u00BD hour; don\u2019t stir."}},
                   {}},
        ReaderCase{"Utf8StaysUtf8",
                   "MMMMM----- Recipe via Meal-Master\n      Title: Pão de queijo ½\n\n"
                   "  Bake.\nMMMMM\n",
                   {{"Pão de queijo ½", {}, std::nullopt, "", "Bake."}},
                   {}},
        ReaderCase{"TruncatedRecipeIsOfferedWithARemark",
                   "MMMMM----- Recipe via Meal-Master\n      Title: Half\n\n      1 c  Milk\n\n"
                   "  Stir and\n",
                   {{"Half", {}, std::nullopt, "1 c Milk", "Stir and"}},
                   {"1: \"Half\" ends without its closing line; it is read as far as it goes"}},
        ReaderCase{
            "ANewRecipeClosesOneWithoutItsEnd",
            "MMMMM----- Recipe via Meal-Master\n      Title: First\n\n  One.\n"
            "MMMMM----- Recipe via Meal-Master\n      Title: Second\n\n  Two.\nMMMMM\n",
            {{"First", {}, std::nullopt, "", "One."}, {"Second", {}, std::nullopt, "", "Two."}},
            {"1: \"First\" ends without its closing line; it is read as far as it goes"}},
        ReaderCase{"RecipeWithoutATitleIsListedAndTheNextRead",
                   "\n\nMMMMM----- Recipe via Meal-Master\n Categories: Soups\n\n  Boil.\nMMMMM\n"
                   "MMMMM----- Recipe via Meal-Master\n      Title: Stock\n\n  Simmer.\nMMMMM\n",
                   {{"Stock", {}, std::nullopt, "", "Simmer."}},
                   {"3: a recipe without a title; it is left out"}},
        ReaderCase{"BinaryJunk",
                   QByteArray("\x00\x01\xFF\xFE garbage\n\x89PNG\r\n\x1A\n", 22),
                   {},
                   {"1: no MealMaster recipe was found in this file"}},
        ReaderCase{
            "ControlCharactersAndAnIndentedEndMarkStayOut",
            "MMMMM----- Recipe via Meal-Master\n      Title: Odd\x01\n\n"
            "  MMMMM is the end mark only at the start.\n  MMMMM\n\x1A\nMMMMM\n",
            {{"Odd", {}, std::nullopt, "", "MMMMM is the end mark only at the start. MMMMM"}},
            {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MealMasterLimits, ALineOfAnyLengthAndAHugeRecipeAreReadInBoundedPieces) {
    QByteArray file = "MMMMM----- Recipe via Meal-Master\n      Title: Endless\n\n";
    file += QByteArray(3 * 1024 * 1024, 'x'); // one line, no break
    file += "\nMMMMM\nMMMMM----- Recipe via Meal-Master\n      Title: After\n\n  Fine.\nMMMMM\n";
    const RecipeBatch batch = readMealMaster(file);
    expectRecipes(batch.recipes, {{"After", {}, std::nullopt, "", "Fine."}});
    EXPECT_EQ(problemLines(batch.problems),
              QStringList{"1: a recipe longer than 1 MB; it is left out"});
}

// A large file is read in two halves at once; what it gives must be what
// reading it from start to end gives: the recipes, their lines, the problems,
// and a code page declared in the first half.
TEST(MealMasterHalves, GiveWhatOneReadingGives) {
    for (const QByteArray& declaration : {QByteArray(), QByteArray("charset=cp437\n")}) {
        QByteArray file = declaration;
        for (int number = 0; number < 60; ++number) {
            file += "MMMMM----- Recipe via Meal-Master\n      Title: Cr\xE8me " +
                    QByteArray::number(number) + "\n\n      1 c  Milk\n\n  Stir.\n";
            if (number % 7 != 3) // some end without their closing line
                file += "MMMMM\n";
            file += "\n";
        }
        QTemporaryDir folder;
        const QString path = folder.filePath("large.mmf");
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::WriteOnly));
        written.write(file);
        written.close();
        const RecipeBatch whole = readMealMaster(file);
        const RecipeBatch halves = MealMasterReader::readFile(path, nullptr, 1024);
        ASSERT_EQ(halves.recipes.size(), whole.recipes.size());
        for (std::size_t index = 0; index < whole.recipes.size(); ++index) {
            EXPECT_EQ(halves.recipes[index].title, whole.recipes[index].title);
            EXPECT_EQ(halves.recipes[index].line, whole.recipes[index].line);
        }
        EXPECT_EQ(problemLines(halves.problems), problemLines(whole.problems));
        EXPECT_EQ(QString::fromUtf8(halves.recipes.back().title),
                  declaration.isEmpty() ? "Cr\u00E8me 59" : "Cr\u03A6me 59");
    }
}

} // namespace
