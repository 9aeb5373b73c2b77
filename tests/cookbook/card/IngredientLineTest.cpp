// How the amount, the unit and the item at the start of an ingredient line are read.
#include "cookbook/card/IngredientLine.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

using namespace savrona;

namespace {

QString spelledMeasure(const Measure& measure) {
    QString text = QString::number(measure.amount.low, 'g', 6);
    if (measure.amount.high)
        text += u'-' + QString::number(*measure.amount.high, 'g', 6);
    if (measure.unit)
        text += u' ' + unitSpelling(*measure.unit, false);
    return text;
}

// "1.5 cup | flour": the amount, its unit and the item; "2 (14 oz) | cans" with a measure in
// parentheses; "| salt" for a line without an amount.
QString spelled(const QString& line) {
    const IngredientLine read = readIngredientLine(line);
    QString text;
    if (read.measure)
        text = spelledMeasure(*read.measure) + u' ';
    if (read.inParentheses)
        text += u'(' + spelledMeasure(*read.inParentheses) + QStringLiteral(") ");
    return text + QStringLiteral("| ") + line.sliced(read.itemStart);
}

struct LineCase {
    const char* line;
    const char* read;
};

void PrintTo(const LineCase& row, std::ostream* out) {
    *out << row.line;
}

class IngredientLineReading : public ::testing::TestWithParam<LineCase> {};

TEST_P(IngredientLineReading, FindsAmountUnitAndItem) {
    EXPECT_EQ(spelled(QString::fromUtf8(GetParam().line)), QString::fromUtf8(GetParam().read));
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, IngredientLineReading,
    ::testing::Values(
        LineCase{"2 eggs", "2 | eggs"}, LineCase{"1.5 kg potatoes", "1.5 kg | potatoes"},
        LineCase{"1,5 l Milch", "1.5 l | Milch"}, LineCase{"1,000 g flour", "1000 g | flour"},
        LineCase{"0,125 l cream", "0.125 l | cream"}, LineCase{"1/2 cup sugar", "0.5 cup | sugar"},
        LineCase{"1 1/2 cups flour", "1.5 cup | flour"},
        LineCase{"1-1/2 tsp salt", "1.5 tsp | salt"},
        LineCase{"1 1⁄2 cups flour", "1.5 cup | flour"}, LineCase{"½ tsp salt", "0.5 tsp | salt"},
        LineCase{"1½ cups milk", "1.5 cup | milk"}, LineCase{"1 ½ cups milk", "1.5 cup | milk"},
        LineCase{"⅓ cup oil", "0.333333 cup | oil"},
        LineCase{"1 12-ounce can corn", "1 | 12-ounce can corn"}));

INSTANTIATE_TEST_SUITE_P(Ranges, IngredientLineReading,
                         ::testing::Values(LineCase{"2-3 tbsp oil", "2-3 tbsp | oil"},
                                           LineCase{"2–3 cloves garlic", "2-3 | cloves garlic"},
                                           LineCase{"2 - 3 cloves garlic", "2-3 | cloves garlic"},
                                           LineCase{"2 to 3 Tbsp. butter", "2-3 tbsp | butter"},
                                           LineCase{"1/2-1 tsp chili flakes",
                                                    "0.5-1 tsp | chili flakes"},
                                           LineCase{"2 tomatoes", "2 | tomatoes"}));

INSTANTIATE_TEST_SUITE_P(
    Units, IngredientLineReading,
    ::testing::Values(
        LineCase{"250g butter", "250 g | butter"}, LineCase{"2 T sugar", "2 tbsp | sugar"},
        LineCase{"2 t salt", "2 tsp | salt"}, LineCase{"1 c. flour", "1 cup | flour"},
        LineCase{"8 fl oz cream", "8 fl oz | cream"},
        LineCase{"8 fl. oz. cream", "8 fl oz | cream"}, LineCase{"8 oz cheese", "8 oz | cheese"},
        LineCase{"2 lbs beef", "2 lb | beef"}, LineCase{"1 Pound beef", "1 lb | beef"},
        LineCase{"5 dl cream", "5 dl | cream"}, LineCase{"2 cl rum", "2 cl | rum"},
        LineCase{"1 L water", "1 l | water"}, LineCase{"3 large eggs", "3 | large eggs"},
        LineCase{"4 cloves garlic", "4 | cloves garlic"},
        LineCase{"2 green peppers", "2 | green peppers"},
        LineCase{"1 gallon water", "1 gallon | water"}));

INSTANTIATE_TEST_SUITE_P(
    Parentheses, IngredientLineReading,
    ::testing::Values(LineCase{"2 (14 oz) cans tomatoes", "2 (14 oz) | cans tomatoes"},
                      LineCase{"1 (14-ounce) can beans", "1 (14 oz) | can beans"},
                      LineCase{"1 cup (240 ml) milk", "1 cup (240 ml) | milk"},
                      LineCase{"2 (large) eggs", "2 | (large) eggs"}));

INSTANTIATE_TEST_SUITE_P(
    NoAmount, IngredientLineReading,
    ::testing::Values(LineCase{"salt to taste", "| salt to taste"}, LineCase{"", "| "},
                      LineCase{"- 2 eggs", "2 | eggs"}, LineCase{"• ½ cup milk", "0.5 cup | milk"},
                      LineCase{"1-inch piece ginger", "| 1-inch piece ginger"},
                      LineCase{"2% milk", "| 2% milk"},
                      LineCase{"1/0 cup flour", "| 1/0 cup flour"},
                      LineCase{"Juice of 1 lemon", "| Juice of 1 lemon"},
                      LineCase{"12345678901234567 g flour", "| 12345678901234567 g flour"}));

} // namespace
