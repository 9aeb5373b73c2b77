#include "data/TableTestSupport.h"

#include "data/engine/ActiveIndex.h"
#include "data/engine/Collation.h"

#include <gtest/gtest.h>

#include <random>

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
    SortKeys keys;
    for (std::size_t index = 0; index < values.size(); ++index)
        keys.set(index, values[index]);
    for (std::size_t index = 0; index + 1 < values.size(); ++index) {
        EXPECT_TRUE(keys.compare(index, index + 1) < 0)
            << ::testing::PrintToString(values[index]) << " before "
            << ::testing::PrintToString(values[index + 1]);
        EXPECT_TRUE(keys.compare(index + 1, index) > 0);
        EXPECT_TRUE(keys.compare(index, index) == 0);
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

// Keys replaced over and over leave their old folded texts behind until the
// buffer is compacted; the order must not notice.
TEST(SortKeys, ReplacedKeysCompareRightAfterCompaction) {
    constexpr std::size_t count = 3000;
    SortKeys keys;
    for (int round = 0; round < 12; ++round) {
        for (std::size_t index = 0; index < count; ++index) {
            const QString text =
                round % 2 ? QStringLiteral("Title %1 É").arg(count - index, 5, 10, QChar('0'))
                          : QStringLiteral("title %1").arg(index, 5, 10, QChar('0'));
            keys.set(index, Value::text(text));
        }
        keys.clear(count / 2);
        const int expected = round % 2 ? 1 : -1;
        for (std::size_t index = 0; index + 1 < count; ++index) {
            if (index == count / 2 || index + 1 == count / 2)
                continue;
            ASSERT_EQ(keys.compare(index, index + 1) < 0 ? -1 : 1, expected)
                << round << ' ' << index;
        }
        EXPECT_TRUE(keys.compare(count / 2, 0) < 0) << "a cleared key is null, before every text";
    }
}

// The index sorts many keys eight folded bytes at a time; its order must be
// exactly the one its binary searches assume, also for keys that share long
// beginnings, hold NUL bytes, differ only in case or accents, or are no text.
TEST(ActiveIndexOrder, AgreesWithTheKeyComparisonForAwkwardKeys) {
    const QStringList pieces{"a", "A", "é", "É", QString(QChar(0)), "b", "aaaaaaaa", "Ab"};
    std::mt19937 random(5);
    std::vector<Row> rows;
    for (int count = 0; count < 3000; ++count) {
        const auto kind = random() % 10;
        if (kind == 0) {
            rows.push_back({Value()});
        } else if (kind == 1) {
            rows.push_back({Value::integer(static_cast<std::int32_t>(random()) % 5 - 2)});
        } else {
            QString text;
            for (auto length = random() % 12; length > 0; --length)
                text += pieces[static_cast<int>(random() % pieces.size())];
            rows.push_back({Value::text(text)});
        }
    }
    ActiveIndex index;
    index.assign(rows, 0);
    ASSERT_EQ(index.size(), rows.size());
    std::vector<bool> seen(rows.size());
    for (std::size_t position = 0; position < index.size(); ++position) {
        seen[index.at(position)] = true;
        EXPECT_EQ(index.positionOf(index.at(position)), position);
        if (position > 0) {
            ASSERT_TRUE(index.precedes(index.at(position - 1), index.at(position))) << position;
        }
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool row) { return row; }));
}

} // namespace
