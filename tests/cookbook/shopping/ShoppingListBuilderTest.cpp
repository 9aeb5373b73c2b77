// Merging the ingredient lines of several recipes into the lines of a shopping list.
#include "cookbook/shopping/ShoppingListBuilder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace savrona;

namespace {

struct RecipeInput {
    const char* title;
    const char* ingredients;
    double factor = 1;
};

struct MergeCase {
    const char* name;
    std::vector<RecipeInput> recipes;
    std::vector<std::string> lines; // "3 eggs <- A,B", " [x]" after a ticked line
    UnitMode mode = UnitMode::AsWritten;
};

void PrintTo(const MergeCase& row, std::ostream* out) {
    *out << row.name;
}

std::vector<std::string> described(const ShoppingList& list) {
    std::vector<std::string> lines;
    for (const ShoppingLine& line : list)
        lines.push_back((line.text + QStringLiteral(" <- ") + line.recipes.join(u',') +
                         (line.done ? QStringLiteral(" [x]") : QString()))
                            .toStdString());
    return lines;
}

class IngredientMerging : public ::testing::TestWithParam<MergeCase> {};

TEST_P(IngredientMerging, GivesTheLines) {
    ShoppingListBuilder builder(GetParam().mode);
    for (const RecipeInput& recipe : GetParam().recipes)
        builder.addRecipe(QString::fromUtf8(recipe.title), QString::fromUtf8(recipe.ingredients),
                          recipe.factor);
    EXPECT_EQ(described(builder.lines()), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, IngredientMerging,
    ::testing::Values(
        MergeCase{
            "SameUnit", {{"A", "1 cup sugar"}, {"B", "2 cups sugar"}}, {"3 cups sugar <- A,B"}},
        MergeCase{"Volumes",
                  {{"A", "1 cup sugar"}, {"B", "2 tablespoons sugar"}},
                  {"1 1/8 cups sugar <- A,B"}},
        MergeCase{"SmallerUnitBelowOneOfTheLarger",
                  {{"A", "1/4 cup oil"}, {"B", "1 tbsp oil"}},
                  {"5 tbsp oil <- A,B"}},
        MergeCase{"Weights", {{"A", "1 lb beef"}, {"B", "8 oz beef"}}, {"1 1/2 lb beef <- A,B"}},
        MergeCase{
            "Metric", {{"A", "250 g butter"}, {"B", "1 kg butter"}}, {"1.25 kg butter <- A,B"}},
        MergeCase{
            "DecimalComma", {{"A", "0,5 l Milch"}, {"B", "0,75 l Milch"}}, {"1,25 l Milch <- A,B"}},
        MergeCase{"SystemOfTheFirstLine",
                  {{"A", "1 cup milk"}, {"B", "250 ml milk"}},
                  {"2 cups milk <- A,B"}},
        MergeCase{"InMetricMode",
                  {{"A", "1 cup sugar"}, {"B", "2 tbsp sugar"}},
                  {"270 ml sugar <- A,B"},
                  UnitMode::Metric},
        MergeCase{"VolumeAndWeightApart",
                  {{"A", "1 cup flour"}, {"B", "200 g flour"}},
                  {"1 cup flour <- A", "200 g flour <- B"}},
        MergeCase{"Scaled", {{"A", "2 eggs", 1.5}, {"B", "1 egg"}}, {"4 eggs <- A,B"}},
        MergeCase{"Ranges", {{"A", "2-3 tbsp oil"}, {"B", "1 tbsp oil"}}, {"3-4 tbsp oil <- A,B"}},
        MergeCase{"PackagesOfOneSize",
                  {{"A", "1 (14 oz) can tomatoes"},
                   {"B", "2 (14 oz) cans tomatoes"},
                   {"C", "1 (28 oz) can tomatoes"}},
                  {"3 (14 oz) cans tomatoes <- A,B", "1 (28 oz) can tomatoes <- C"}},
        MergeCase{
            "OtherItemsApart",
            {{"A", "For the dough:\r\n2 cups flour\r\n\r\n1 cup sugar"}, {"B", "1 cup flour"}},
            {"3 cups flour <- A,B", "1 cup sugar <- A"}}));

INSTANTIATE_TEST_SUITE_P(
    Items, IngredientMerging,
    ::testing::Values(
        MergeCase{"Plurals", {{"A", "1 onion"}, {"B", "2 Onions"}}, {"3 Onions <- A,B"}},
        MergeCase{"PluralInOes", {{"A", "2 tomatoes"}, {"B", "1 Tomato"}}, {"3 tomatoes <- A,B"}},
        MergeCase{"PluralInIes",
                  {{"A", "1 cup berries"}, {"B", "½ cup berry"}},
                  {"1 1/2 cups berries <- A,B"}},
        MergeCase{"PreparationNotes",
                  {{"A", "1 onion, chopped"}, {"B", "2 onions, finely diced"}},
                  {"3 onions <- A,B"}},
        MergeCase{"NoteInParentheses",
                  {{"A", "2 cloves garlic, minced"}, {"B", "1 clove garlic (optional)"}},
                  {"3 cloves garlic <- A,B"}},
        MergeCase{
            "Of", {{"A", "2 cups of flour"}, {"B", "1 cup flour"}}, {"3 cups of flour <- A,B"}},
        MergeCase{"NoAmounts", {{"A", "salt"}, {"B", "Salt to taste"}}, {"salt <- A,B"}},
        MergeCase{"NoAmountJoinsAnAmount",
                  {{"A", "salt to taste\r\n2 eggs"}, {"B", "1 tsp salt"}},
                  {"2 eggs <- A", "1 tsp salt <- A,B"}}));

TEST(ShoppingListBuilder, ListLinesKeepTheirTicksUntilMoreIsAdded) {
    ShoppingListBuilder builder;
    builder.addLine({QStringLiteral("2 eggs"), {QStringLiteral("A")}, true});
    builder.addLine({QStringLiteral("milk"), {}, true});
    builder.addLine({QStringLiteral("Milk"), {}, true});
    builder.addRecipe(QStringLiteral("B"), QStringLiteral("1 egg"));
    EXPECT_EQ(described(builder.lines()),
              (std::vector<std::string>{"3 eggs <- A,B", "milk <-  [x]"}));
}

} // namespace
