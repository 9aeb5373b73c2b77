// The MealMaster layout on the lines old collections hold: which lines are
// ingredients in a converter's columns, and which begin paragraphs by indentation.
#include "cookbook/exchange/formats/mealmaster/MealMasterLayout.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace savrona::mealmaster;

namespace {

struct LineCase {
    const char* name;
    QByteArray line;
    std::optional<QByteArray> ingredient; // "amount|unit|text", "+text" for a continuation
};

void PrintTo(const LineCase& lineCase, std::ostream* out) {
    *out << lineCase.name;
}

class IngredientLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(IngredientLines, AreToldFromDirections) {
    const std::optional<IngredientLine> read = readIngredientLine(GetParam().line);
    std::optional<QByteArray> ingredient;
    if (read && read->left)
        ingredient = read->left->isContinuation()
                         ? "+" + read->left->continuedText().toByteArray()
                         : read->left->amount.toByteArray() + '|' + read->left->unit.toByteArray() +
                               '|' + read->left->text.toByteArray();
    EXPECT_EQ(ingredient, GetParam().ingredient);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IngredientLines,
    ::testing::Values(
        LineCase{"UnitInCapitals", "  1 1/2 TB Butter", "1 1/2|TB|Butter"},
        LineCase{"ColumnsTwoToTheRight", "        2 LB Beef", "2|LB|Beef"},
        LineCase{"ColumnsTwoToTheRightWithoutAUnit", "        4    Eggs", "4||Eggs"},
        LineCase{"ColonContinuationInTheTextColumn", "           :finely chopped",
                 "+finely chopped"},
        LineCase{"ContinuationOutOfTheTextColumn", "         -or margarine", "+or margarine"},
        LineCase{"HyphensMovedOverAreNoAmount", "  -------    o via Meal-Master", std::nullopt},
        LineCase{"AColonDirectionIsNoIngredient", "  :Bake 45 minutes.", std::nullopt},
        LineCase{"AnIndentedParagraphIsNoIngredient", "     Brown the beef.", std::nullopt},
        LineCase{"ANumberedStepIsNoIngredient", "  1. Mix the flour.", std::nullopt},
        LineCase{"ANumberInTextIsNoIngredient", "  350 F oven, 1 hour", std::nullopt},
        LineCase{"AWordThatIsNoUnitInCapitals", "        IN A BOWL", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The shifted layout holds for a two-column list too: the right column
// moves from column 42 to 44.
TEST(ConvertersColumns, ReadBothColumnsTwoToTheRight) {
    const QByteArray shifted =
        "  " + QByteArray("      1 C  Sugar").leftJustified(41, ' ') + "      2 TB Butter";
    const std::optional<IngredientLine> read = readIngredientLine(shifted); // views into it
    ASSERT_TRUE(read && read->left && read->right);
    EXPECT_EQ(read->left->storedText(), "1 C Sugar");
    EXPECT_EQ(read->right->storedText(), "2 TB Butter");
}

struct RunCase {
    const char* name;
    std::vector<QByteArray> run;
    std::vector<bool> starts;
};

void PrintTo(const RunCase& runCase, std::ostream* out) {
    *out << runCase.name;
}

class IndentedParagraphs : public ::testing::TestWithParam<RunCase> {};

TEST_P(IndentedParagraphs, BeginWhereTheFirstLineIsIndentedDeeper) {
    const std::vector<QByteArrayView> run(GetParam().run.begin(), GetParam().run.end());
    EXPECT_EQ(indentedParagraphStarts(run), GetParam().starts);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, IndentedParagraphs,
    ::testing::Values(
        RunCase{"FirstLinesIndented",
                {"     Cream the butter", "  and the sugar.", "     Add the eggs.", "  Beat."},
                {true, false, true, false}},
        RunCase{"ATabIndentsToEight", {"\tStir well", "  and serve."}, {true, false}},
        RunCase{
            "IndentedAlikeIsOneParagraph", {"  Mix the flour", "  and the salt."}, {false, false}},
        RunCase{"OneColumnDeeperIsNoParagraph",
                {"   Mix the flour", "  and the salt."},
                {false, false}},
        RunCase{"AnIndentedListAfterAShallowLineIsNoParagraph",
                {"  Mix the following:", "      flour", "      salt"},
                {false, false, false}},
        RunCase{"OneLine", {"     Serve."}, {false}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
