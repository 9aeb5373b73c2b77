#include "TableTestSupport.h"

#include "Collation.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct FoldCase {
    const char* text;
    const char* folded;
};

class Folding : public ::testing::TestWithParam<FoldCase> {};

TEST_P(Folding, DropsCaseAndAccents) {
    EXPECT_EQ(foldedForCollation(QByteArray(GetParam().text)), QByteArray(GetParam().folded));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Folding,
    ::testing::Values(FoldCase{"", ""}, FoldCase{"already folded 12", "already folded 12"},
                      FoldCase{"Apple PIE", "apple pie"}, FoldCase{"ÉCLAIR", "eclair"},
                      FoldCase{"Crème Brûlée", "creme brulee"}, FoldCase{"Ǖber", "uber"},
                      FoldCase{"Łódź", "łodz"}, FoldCase{"½ cup at 180°", "½ cup at 180°"},
                      FoldCase{"Ωmega", "ωmega"}, FoldCase{"straße", "straße"}));

// Each list is in dictionary order, strictly ascending.
class DictionaryOrder : public ::testing::TestWithParam<std::vector<Value>> {};

TEST_P(DictionaryOrder, SortsAscending) {
    const auto& values = GetParam();
    for (std::size_t index = 0; index + 1 < values.size(); ++index) {
        const SortKey left(values[index]);
        const SortKey right(values[index + 1]);
        EXPECT_LT(left, right) << ::testing::PrintToString(values[index]) << " before "
                               << ::testing::PrintToString(values[index + 1]);
        EXPECT_GT(right, left);
        EXPECT_EQ(left, SortKey(values[index]));
    }
}

std::vector<Value> texts(const QStringList& list) {
    std::vector<Value> values;
    for (const QString& text : list)
        values.push_back(Value::text(text));
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DictionaryOrder,
    ::testing::Values(
        std::vector<Value>{Value(), Value::integer(-3), Value::integer(0), Value::integer(7),
                           Value::text(QByteArray("")), Value::text(QByteArray("a"))},
        texts({"Apple", "apple", "Apples", "apples", "Banana"}),
        texts({"Pasta", "pasta", "Poultries", "Sauces and Gravys", "Side dishes",
               "Soups and Stews"}),
        texts({"Eagle", "Eclair", "Éclair", "éclair", "Egg"}),
        texts({"äpfel", "Apfelstrudel", "Zebra"}),
        texts({"Chocolate Cake", "Chocolate cake", "chocolate cake", "Chocolate cakes"}),
        texts({"Main dishes", "Meat and Barbicue", "Mexican Food"}),
        texts({"strasse", "strasset", "straße"}), texts({"1 Two", "_under", "a"})));

} // namespace
