// The shopping list's text file: written and read back, and read after another program
// edited it.
#include "cookbook/shopping/ShoppingListFile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace savrona;

namespace {

// "x eggs <- A,B": ticked or not ("-"), the text, the recipes.
std::vector<std::string> described(const ShoppingList& list) {
    std::vector<std::string> lines;
    for (const ShoppingLine& line : list)
        lines.push_back(((line.done ? QStringLiteral("x ") : QStringLiteral("- ")) + line.text +
                         QStringLiteral(" <- ") + line.recipes.join(u','))
                            .toStdString());
    return lines;
}

TEST(ShoppingListFile, ReadsBackWhatItWrote) {
    const ShoppingList list = {
        {QStringLiteral("1 1/8 cups sugar"),
         {QStringLiteral("Pancakes"), QStringLiteral("Waffles")}},
        {QStringLiteral("3 eggs"), {QStringLiteral("Crème brûlée (vegan)")}, true},
        {QStringLiteral("paper towels"), {}, false},
        {QStringLiteral("tomatoes  (ripe)"), {QStringLiteral("Salsa")}, false},
        {QString(), {}, true}};
    const QByteArray written = writeShoppingList(list);
    EXPECT_EQ(written.toStdString(), "[ ] 1 1/8 cups sugar  (Pancakes, Waffles)\n"
                                     "[x] 3 eggs  (Crème brûlée (vegan))\n"
                                     "[ ] paper towels\n"
                                     "[ ] tomatoes  (ripe)  (Salsa)\n"
                                     "[x] \n");
    EXPECT_EQ(readShoppingList(written), list);
}

TEST(ShoppingListFile, WritesLineBreaksInTextsAsBlanks) {
    const ShoppingList list = {{QStringLiteral(" eggs\r\nand milk "), {QStringLiteral("A\nB")}}};
    EXPECT_EQ(writeShoppingList(list).toStdString(), "[ ] eggs  and milk  (A B)\n");
}

struct EditedCase {
    const char* name;
    QByteArray bytes;
    std::vector<std::string> lines;
};

void PrintTo(const EditedCase& row, std::ostream* out) {
    *out << row.name;
}

class EditedFileReading : public ::testing::TestWithParam<EditedCase> {};

TEST_P(EditedFileReading, KeepsEveryLine) {
    EXPECT_EQ(described(readShoppingList(GetParam().bytes)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditedFileReading,
    ::testing::Values(
        EditedCase{"Empty", "", {}},
        EditedCase{"ByteOrderMarkAndCrLf",
                   "\xEF\xBB\xBF[x] eggs  (A)\r\n[ ] milk\r\n",
                   {"x eggs <- A", "- milk <- "}},
        EditedCase{"MissingTickMarksAndBlankLines",
                   "eggs\n\n   \n  bread  \n[X]cheese",
                   {"- eggs <- ", "- bread <- ", "x cheese <- "}},
        EditedCase{
            "OtherTickMarks",
            "- [x] a\n* [ ] b\n[] c\n[✓] d\n☐ e\n☑ f\n[?] g",
            {"x a <- ", "- b <- ", "- c <- ", "x d <- ", "- e <- ", "x f <- ", "- [?] g <- "}},
        EditedCase{"OldMacLineEnds", "[x] a\r[ ] b\r", {"x a <- ", "- b <- "}},
        EditedCase{"NotUtf8", "[ ] caf\xE9\n", {"- caf\xEF\xBF\xBD <- "}},
        EditedCase{"NulByte", QByteArray("[ ] a\0b", 7), {std::string("- a\0b <- ", 9)}},
        EditedCase{"ParenthesesThatAreNoRecipes",
                   "eggs (large)\neggs  ()\nsmile  (:))\n(A)",
                   {"- eggs (large) <- ", "- eggs  () <- ", "- smile  (:)) <- ", "- (A) <- "}},
        EditedCase{"RecipesWithBlanks", "eggs  ( A ,  B )", {"- eggs <- A,B"}}));

} // namespace
