// What the card shows for an ingredient line: amounts scaled and written as a cook writes
// them, units converted.
#include "cookbook/card/IngredientDisplay.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

using namespace savrona;

namespace {

struct DisplayCase {
    const char* line;
    double factor;
    UnitMode mode;
    const char* shown;
};

void PrintTo(const DisplayCase& row, std::ostream* out) {
    *out << row.line << " x" << row.factor << " mode " << int(row.mode);
}

constexpr UnitMode written = UnitMode::AsWritten;
constexpr UnitMode metric = UnitMode::Metric;
constexpr UnitMode us = UnitMode::Us;

class IngredientDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(IngredientDisplay, ShowsTheLine) {
    const QString line = QString::fromUtf8(GetParam().line);
    EXPECT_EQ(displayIngredientLine(line, GetParam().factor, GetParam().mode),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Scaling, IngredientDisplay,
    ::testing::Values(DisplayCase{"1 1/2 cups flour", 2, written, "3 cups flour"},
                      DisplayCase{"1 1/2 cups flour", 0.5, written, "3/4 cup flour"},
                      DisplayCase{"½ cup sugar", 1.5, written, "¾ cup sugar"},
                      DisplayCase{"1½ cups milk", 1.5, written, "2¼ cups milk"},
                      DisplayCase{"1 ½ cups milk", 1.5, written, "2 ¼ cups milk"},
                      DisplayCase{"1 cup flour", 1.0 / 3, written, "1/3 cup flour"},
                      DisplayCase{"⅓ cup oil", 3, written, "1 cup oil"},
                      DisplayCase{"3 eggs", 0.5, written, "1 1/2 eggs"},
                      DisplayCase{"2 eggs", 1.7, written, "3 3/8 eggs"},
                      DisplayCase{"⅛ tsp cayenne", 0.5, written, "1/16 tsp cayenne"},
                      DisplayCase{"1 tsp salt", 0.01, written, "0.01 tsp salt"},
                      DisplayCase{"7 1/2 cups stock", 3, written, "22 1/2 cups stock"},
                      DisplayCase{"0,5 l Milch", 1.5, written, "0,75 l Milch"},
                      DisplayCase{"1.5 kg potatoes", 1.5, written, "2.25 kg potatoes"},
                      DisplayCase{"1234 g flour", 1.5, written, "1851 g flour"},
                      DisplayCase{"75 g sugar", 1.0 / 3, written, "25 g sugar"},
                      DisplayCase{"2-3 tbsp oil", 2, written, "4-6 tbsp oil"},
                      DisplayCase{"2 to 3 cups stock", 0.5, written, "1 to 1 1/2 cups stock"},
                      DisplayCase{"1 pound beef", 2, written, "2 pounds beef"},
                      DisplayCase{"2 Cups milk", 0.5, written, "1 Cup milk"},
                      DisplayCase{"- 2 eggs", 2, written, "- 4 eggs"},
                      DisplayCase{"2 eggs", 0.5, written, "1 egg"},
                      DisplayCase{"1 egg", 1.5, written, "1 1/2 eggs"},
                      DisplayCase{"1 onion, chopped", 2, written, "2 onions, chopped"},
                      DisplayCase{"2 large tomatoes", 0.5, written, "1 large tomato"},
                      DisplayCase{"1 clove garlic, minced", 3, written, "3 cloves garlic, minced"},
                      DisplayCase{"4 berries", 0.25, written, "1 berry"},
                      DisplayCase{"1 box of matches", 2, written, "2 boxes of matches"},
                      DisplayCase{"2 (14 oz) cans tomatoes", 2, written, "4 (14 oz) cans tomatoes"},
                      DisplayCase{"1 cup (240 ml) milk", 2, written, "2 cups (480 ml) milk"},
                      DisplayCase{"salt to taste", 2, written, "salt to taste"},
                      DisplayCase{"1  1/2 cups flour", 1, written, "1  1/2 cups flour"},
                      DisplayCase{"2 eggs", 0, written, "2 eggs"}));

INSTANTIATE_TEST_SUITE_P(
    ToMetric, IngredientDisplay,
    ::testing::Values(DisplayCase{"1 cup milk", 1, metric, "240 ml milk"},
                      DisplayCase{"1 cup flour", 1, metric, "240 ml flour"},
                      DisplayCase{"2 tbsp butter", 1, metric, "30 ml butter"},
                      DisplayCase{"1 tsp salt", 1, metric, "5 ml salt"},
                      DisplayCase{"½ tsp salt", 1, metric, "2.5 ml salt"},
                      DisplayCase{"4 cups stock", 1, metric, "950 ml stock"},
                      DisplayCase{"1 gallon water", 1, metric, "3.8 l water"},
                      DisplayCase{"1,5 gallons water", 1, metric, "5,7 l water"},
                      DisplayCase{"1 lb beef", 1, metric, "450 g beef"},
                      DisplayCase{"8 oz cheese", 1, metric, "230 g cheese"},
                      DisplayCase{"2.5 lb pork", 1, metric, "1.15 kg pork"},
                      DisplayCase{"1 cup milk", 2, metric, "470 ml milk"},
                      DisplayCase{"2-3 cups stock", 1, metric, "470-710 ml stock"},
                      DisplayCase{"250 g butter", 2, metric, "500 g butter"},
                      DisplayCase{"3 eggs", 1, metric, "3 eggs"},
                      DisplayCase{"2 (14 oz) cans tomatoes", 2, metric, "4 (400 g) cans tomatoes"},
                      DisplayCase{"1 cup (240 ml) milk", 1, metric, "240 ml milk"},
                      DisplayCase{"1 cup (8 fl oz) milk", 1, metric, "240 ml milk"},
                      DisplayCase{"1 cup (120 g) flour", 2, metric, "240 g flour"}));

INSTANTIATE_TEST_SUITE_P(ToUs, IngredientDisplay,
                         ::testing::Values(DisplayCase{"250 ml milk", 1, us, "1 cup milk"},
                                           DisplayCase{"500 g flour", 1, us, "1 1/8 lb flour"},
                                           DisplayCase{"100 g butter", 1, us, "3 1/2 oz butter"},
                                           DisplayCase{"250g butter", 1, us, "9 oz butter"},
                                           DisplayCase{"1 l stock", 1, us, "4 1/4 cups stock"},
                                           DisplayCase{"15 ml oil", 1, us, "1 tbsp oil"},
                                           DisplayCase{"5 ml vanilla", 1, us, "1 tsp vanilla"},
                                           DisplayCase{"2 dl cream", 1, us, "7/8 cup cream"},
                                           DisplayCase{"½ l Milch", 1, us, "2⅛ cups Milch"},
                                           DisplayCase{"1 kg potatoes", 1, us, "2 1/4 lb potatoes"},
                                           DisplayCase{"1 cup milk", 2, us, "2 cups milk"},
                                           DisplayCase{"1 cup (240 ml) milk", 1, us,
                                                       "1 cup milk"}));

} // namespace
