// The three-way merge of two versions of the shopping list, both ways round.
#include "cookbook/shopping/ShoppingListMerge.h"
#include "cookbook/shopping/ShoppingListFile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace savrona;

namespace {

// Each version written as the list file is.
struct ListMergeCase {
    const char* name;
    const char* base;
    const char* first;
    const char* second;
    const char* merged;
};

void PrintTo(const ListMergeCase& row, std::ostream* out) {
    *out << row.name;
}

std::string merged(const char* base, const char* ours, const char* theirs) {
    return writeShoppingList(mergeShoppingLists(readShoppingList(base), readShoppingList(ours),
                                                readShoppingList(theirs)))
        .toStdString();
}

class ShoppingListMerge : public ::testing::TestWithParam<ListMergeCase> {};

TEST_P(ShoppingListMerge, GivesTheListWhicheverSideIsOurs) {
    const ListMergeCase& row = GetParam();
    EXPECT_EQ(merged(row.base, row.first, row.second), row.merged);
    EXPECT_EQ(merged(row.base, row.second, row.first), row.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShoppingListMerge,
    ::testing::Values(ListMergeCase{"TickAndAdd", "eggs\nmilk", "[x] eggs\nmilk",
                                    "eggs\nmilk\nbread", "[x] eggs\n[ ] milk\n[ ] bread\n"},
                      ListMergeCase{"AddedAtTheTop", "eggs\nmilk", "bread\neggs\nmilk",
                                    "eggs\n[x] milk", "[ ] bread\n[ ] eggs\n[x] milk\n"},
                      ListMergeCase{"DeletedUnchanged", "eggs\nmilk", "eggs", "eggs\nmilk",
                                    "[ ] eggs\n"},
                      ListMergeCase{"DeletedBoth", "eggs\nmilk", "eggs", "eggs", "[ ] eggs\n"},
                      ListMergeCase{"DeletedAgainstTicked", "eggs\nmilk", "eggs", "eggs\n[x] milk",
                                    "[ ] eggs\n[x] milk\n"},
                      ListMergeCase{"DeletedAgainstNewRecipes", "eggs  (A)", "", "eggs  (A, B)",
                                    "[ ] eggs  (A, B)\n"},
                      ListMergeCase{"AddedByBothWithOtherTicks", "", "[x] eggs  (A)", "eggs  (B)",
                                    "[ ] eggs  (A, B)\n"},
                      ListMergeCase{"AddedByBothAfterOneLine", "eggs", "eggs\nmilk", "eggs\nbread",
                                    "[ ] eggs\n[ ] milk\n[ ] bread\n"},
                      ListMergeCase{"TextEdited", "2 eggs\nmilk", "3 eggs\nmilk", "2 eggs\nmilk",
                                    "[ ] 3 eggs\n[ ] milk\n"},
                      ListMergeCase{"TextEditedAgainstTicked", "2 eggs", "3 eggs", "[x] 2 eggs",
                                    "[ ] 3 eggs\n[x] 2 eggs\n"},
                      ListMergeCase{"SameTextTwice", "eggs\neggs\nmilk", "eggs\nmilk",
                                    "eggs\neggs\n[x] milk", "[ ] eggs\n[x] milk\n"},
                      ListMergeCase{"RecipesChangedByBoth", "eggs  (A)", "eggs  (A, B)",
                                    "eggs  (C)", "[ ] eggs  (A, B, C)\n"},
                      ListMergeCase{"UntickedAgainstRecipesAdded", "[x] eggs  (A)", "eggs  (A)",
                                    "[x] eggs  (A, B)", "[ ] eggs  (A, B)\n"}));

} // namespace
