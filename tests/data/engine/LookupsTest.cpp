#include "data/TableTestSupport.h"

#include "data/engine/Lookups.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Names and titles that a careless quoting would misread.
const QStringList awkwardTexts{"Grandma's Pie",
                               "Rock 'n' Roll Cake",
                               "O'",
                               "''",
                               "Cake*",
                               "a = 'b' OR 1 = 1",
                               "Cake",
                               "Cakes",
                               "'",
                               "Ca",
                               "Crème brûlée"};

class LookupByText : public ::testing::TestWithParam<QString> {};

TEST_P(LookupByText, CategoryFindsExactlyItsOwnRecord) {
    Table table(categoriesDefinition(categoryRows(awkwardTexts)));
    table.setFilter(lookup::categoryByName(GetParam()));
    table.setFiltered(true);
    EXPECT_EQ(walk(table, "Category"), QStringList({GetParam()}));
}

TEST_P(LookupByText, RecipeFindsExactlyItsOwnRecord) {
    std::vector<Row> rows;
    for (int index = 0; index < awkwardTexts.size(); ++index)
        rows.push_back(recipeRow(index, 1, awkwardTexts[index]));
    Table table(recipesDefinition(std::move(rows)));
    table.setFilter(lookup::recipeByTitle(GetParam()));
    table.setFiltered(true);
    EXPECT_EQ(walk(table, "Title"), QStringList({GetParam()}));
}

INSTANTIATE_TEST_SUITE_P(AwkwardTexts, LookupByText,
                         ::testing::ValuesIn(awkwardTexts.begin(), awkwardTexts.end()));

TEST(Lookups, ByIdFindsEveryRecordWithThatNumber) {
    Table categories(
        categoriesDefinition({categoryRow(-4, "A"), categoryRow(7, "B"), categoryRow(7, "C")}));
    categories.setFilter(lookup::categoryById(-4));
    categories.setFiltered(true);
    EXPECT_EQ(walk(categories, "Category"), QStringList({"A"}));
    categories.setFilter(lookup::categoryById(7));
    EXPECT_EQ(walk(categories, "Category"), QStringList({"B", "C"}));

    Table recipes(
        recipesDefinition({recipeRow(1, 7, "Z"), recipeRow(2, 8, "Y"), recipeRow(3, 7, "X")}));
    recipes.setFilter(lookup::recipesOfCategory(7));
    recipes.setFiltered(true);
    EXPECT_EQ(walk(recipes, "Title"), QStringList({"X", "Z"}));
}

} // namespace
