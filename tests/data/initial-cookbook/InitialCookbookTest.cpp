// The initial cookbook as the program carries it: the two binary packets'
// exact header and descriptors, their change logs, the content they merge
// into, and the tables opened on them.
#include "data/initial-cookbook/InitialCookbook.h"
#include "data/engine/Lookups.h"
#include "data/engine/Table.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/binary/BinaryPacket.h"

#include <QSet>
#include <QStringList>
#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace savrona {
namespace {

using ::testing::IsEmpty;

// The categories in name order, with the number of recipes in each.
struct ExpectedCategory {
    std::int32_t id;
    const char* name;
    int recipes;
};

const ExpectedCategory expectedCategories[] = {
    {2, "Appetizers", 21},
    {5, "Bread and Muffins", 9},
    {9, "Breakfasts and Sandwitches", 4},
    {16, "Casserole", 3},
    {8, "Desserts and Cakes", 2},
    {7, "Eggs and Cheese", 5},
    {11, "Fish and Sea food", 3},
    {15, "Main dishes", 5},
    {6, "Meat and Barbicue", 25},
    {14, "Mexican Food", 1},
    {17, "Pasta", 4},
    {10, "Poultries", 24},
    {13, "Salads and Dressings", 6},
    {1, "Sauces and Gravys", 4},
    {12, "Side dishes", 2},
    {4, "Soups and Stews", 6},
};

// Recipe IDs run from 4 to 132; these are held twice, these by none.
const QSet<std::int32_t> recipeIdsHeldTwice{7, 12, 14};
const QSet<std::int32_t> recipeIdsUnused{20, 33, 47, 58, 77, 96, 115};

namespace CategoryField {
enum { Id, SubId, Name };
}
namespace RecipeField {
enum { Id, CategoryId, Title, Ingredients, Preparation, Servings, Notes, Picture };
}

QByteArray withoutLength(const QByteArray& withLength) {
    return withLength.sliced(4);
}

Packet mergedCategories() {
    return readPacket(withoutLength(initialCategoriesPacketWithLength()));
}

Packet mergedRecipes() {
    return readPacket(withoutLength(initialRecipesPacketWithLength()));
}

std::uint16_t u16At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<std::uint16_t>(bytes.constData() + offset);
}

std::uint32_t u32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + offset);
}

// The descriptors, written out byte value by byte value.
RawProperty width(std::uint16_t characters) {
    QByteArray value(2, '\0');
    qToLittleEndian(characters, value.data());
    return {"WIDTH", 2, 2, value};
}

const RawProperty memoSubtype{"SUBTYPE", 2, 73, QByteArray("Text", 5)};
constexpr std::uint16_t unNamed = 16;

const std::vector<RawField> categoryDescriptors{
    {"ID", 4, 1, unNamed, {}},
    {"SubID", 4, 1, unNamed, {}},
    {"Category", 1, 73, unNamed, {width(125)}},
};

const std::vector<RawField> recipeDescriptors{
    {"ID", 4, 1, unNamed, {}},
    {"CategoryID", 4, 1, unNamed, {}},
    {"Title", 2, 73, unNamed, {width(255)}},
    {"Ingredients", 4, 75, unNamed, {memoSubtype}},
    {"Preparation", 4, 75, unNamed, {memoSubtype}},
    {"servings", 2, 73, unNamed, {width(255)}},
    {"Notes", 2, 73, unNamed, {width(255)}},
    {"Picture", 2, 73, unNamed, {width(255)}},
};

struct CarriedPacket {
    const char* table;
    QByteArray (*bytesWithLength)();
    std::uint32_t length;
    std::uint32_t rowCount;
    std::uint16_t firstRowOffset;
    std::size_t changeLogElements;
    std::size_t currentRows;
    const std::vector<RawField>* descriptors;
};

const CarriedPacket carriedPackets[] = {
    {"categories", initialCategoriesPacketWithLength, 1183, 59, 435, 84, 16, &categoryDescriptors},
    {"recipes", initialRecipesPacketWithLength, 138056, 181, 1930, 417, 125, &recipeDescriptors},
};

class CarriedPacketTest : public ::testing::TestWithParam<CarriedPacket> {
protected:
    static QByteArray packetBytes() { return withoutLength(GetParam().bytesWithLength()); }
    static RawBinaryPacket rawPacket() { return readRawBinaryPacket(packetBytes()); }
};

TEST_P(CarriedPacketTest, LengthInFrontCountsEveryByteOfThePacket) {
    const QByteArray withLength = GetParam().bytesWithLength();
    ASSERT_GE(withLength.size(), 4);
    EXPECT_EQ(u32At(withLength, 0), GetParam().length)
        << "the recipe texts and history.txt together set the recipes packet's length";
    EXPECT_EQ(withLength.size(), qsizetype(GetParam().length) + 4);
}

TEST_P(CarriedPacketTest, HeaderHoldsTheOriginalValues) {
    const QByteArray bytes = packetBytes();
    ASSERT_GE(bytes.size(), 24);
    EXPECT_EQ(bytes.first(4), QByteArray("\x96\x19\xE0\xBD", 4));
    EXPECT_EQ(u32At(bytes, 4), 1u);  // version
    EXPECT_EQ(u32At(bytes, 8), 24u); // header size
    EXPECT_EQ(u16At(bytes, 12), GetParam().descriptors->size());
    EXPECT_EQ(u32At(bytes, 14), GetParam().rowCount);
    EXPECT_EQ(u32At(bytes, 18), 3u); // attribute word
    EXPECT_EQ(u16At(bytes, 22), GetParam().firstRowOffset);
}

TEST_P(CarriedPacketTest, DescriptorsAreExactlyTheOriginals) {
    EXPECT_EQ(rawPacket().fields, *GetParam().descriptors);
}

// No TEXT_ENCODING: the texts are Windows-1252, as in the original engine's packets.
TEST_P(CarriedPacketTest, ChangeLogIsTheOnlyPacketProperty) {
    const RawBinaryPacket packet = rawPacket();
    ASSERT_EQ(packet.properties.size(), 1u);
    const RawProperty& changeLog = packet.properties.front();
    EXPECT_EQ(changeLog.name, "CHANGE_LOG");
    EXPECT_EQ(changeLog.size, 4);
    EXPECT_EQ(changeLog.type, 130);
    EXPECT_EQ(std::size_t(changeLog.value.size()), GetParam().changeLogElements * 4);
}

bool hasSameAsReplaced(const RawRow& row) {
    return std::any_of(row.cells.begin(), row.cells.end(), [](const RawCell& cell) {
        return cell.indicator == CellIndicator::SameAsReplaced;
    });
}

bool isAllSameAsReplaced(const RawRow& row) {
    return std::all_of(row.cells.begin(), row.cells.end(), [](const RawCell& cell) {
        return cell.indicator == CellIndicator::SameAsReplaced;
    });
}

bool isAllNull(const RawRow& row) {
    return std::all_of(row.cells.begin(), row.cells.end(),
                       [](const RawCell& cell) { return cell.indicator == CellIndicator::Null; });
}

// Everything that does not fit the change log's rules, one line each.
QStringList changeLogFaults(const RawBinaryPacket& packet) {
    QStringList faults;
    const auto fault = [&](const QString& text) { faults.append(text); };
    const std::vector<RawRow>& rows = packet.rows;
    std::vector<int> timesLogged(rows.size() + 1, 0);
    std::vector<int> timesReplaced(rows.size() + 1, 0);
    std::size_t firstLoggedRow = rows.size() + 1;

    for (const ChangeLogEntry& entry : packet.changeLog()) {
        const QString name = QStringLiteral("entry (%1, %2, %3)")
                                 .arg(entry.row)
                                 .arg(entry.replacedRow)
                                 .arg(entry.kind);
        if (entry.row < 1 || entry.row > rows.size() || entry.replacedRow > rows.size()) {
            fault(name + QStringLiteral(" names a row that does not exist"));
            continue;
        }
        ++timesLogged[entry.row];
        ++timesReplaced[entry.replacedRow];
        firstLoggedRow = std::min<std::size_t>(firstLoggedRow, entry.row);
        const RawRow& row = rows[entry.row - 1];
        const bool replacedIsMarked =
            entry.replacedRow != 0 && entry.replacedRow < entry.row &&
            (rows[entry.replacedRow - 1].state & RowState::ReplacedByLaterRow) != 0;
        switch (entry.kind) {
        case ChangeLogEntry::Insertion:
            if (entry.replacedRow != 0 || (row.state & RowState::Inserted) == 0 ||
                hasSameAsReplaced(row))
                fault(name + QStringLiteral(": an insertion is a whole new row of state 4"));
            break;
        case ChangeLogEntry::Modification:
            if (!replacedIsMarked || (row.state & RowState::Modified) == 0 ||
                isAllSameAsReplaced(row))
                fault(name + QStringLiteral(": a modification of state 8 changes an earlier row "
                                            "marked 1"));
            break;
        case ChangeLogEntry::Deletion:
            if (!replacedIsMarked || row.state != RowState::Deleted || !isAllSameAsReplaced(row))
                fault(name + QStringLiteral(": a deletion row of state 2 replaces an earlier row "
                                            "marked 1"));
            break;
        default:
            fault(name + QStringLiteral(" has an unknown kind"));
        }
    }

    for (std::size_t number = 1; number <= rows.size(); ++number) {
        const RawRow& row = rows[number - 1];
        const QString name = QStringLiteral("row %1 (state %2)").arg(number).arg(row.state);
        if (timesLogged[number] > 1)
            fault(name + QStringLiteral(" is logged more than once"));
        const bool marked = (row.state & RowState::ReplacedByLaterRow) != 0;
        if (marked != (timesReplaced[number] == 1) || timesReplaced[number] > 1)
            fault(name + QStringLiteral(" is replaced %1 times").arg(timesReplaced[number]));
        if (timesLogged[number] == 0 && row.state == RowState::FreeSlot && !isAllNull(row))
            fault(name + QStringLiteral(" is a free slot holding values"));
        if (timesLogged[number] == 0 && row.state != RowState::FreeSlot &&
            (row.state & ~RowState::ReplacedByLaterRow) != 0)
            fault(name + QStringLiteral(" is not logged"));
        if (timesLogged[number] == 0 && row.state != RowState::FreeSlot && number > firstLoggedRow)
            fault(name + QStringLiteral(" is from before the log but stored after a change"));
        if (timesLogged[number] == 0 && hasSameAsReplaced(row))
            fault(name + QStringLiteral(" takes values from a row it does not replace"));
    }
    return faults;
}

TEST_P(CarriedPacketTest, ChangeLogTriplesPointAtRowsOfTheRightStates) {
    const RawBinaryPacket packet = rawPacket();
    ASSERT_EQ(packet.rows.size(), GetParam().rowCount);
    EXPECT_THAT(changeLogFaults(packet), IsEmpty());
}

TEST_P(CarriedPacketTest, CurrentRowsAreThoseWithoutBits1And2And32) {
    const RawBinaryPacket packet = rawPacket();
    const auto current =
        std::count_if(packet.rows.begin(), packet.rows.end(), [](const RawRow& row) {
            return (row.state & RowState::NotCurrentMask) == 0;
        });
    EXPECT_EQ(std::size_t(current), GetParam().currentRows);
    EXPECT_EQ(mergeRawBinaryPacket(packet).rows.size(), GetParam().currentRows);
}

INSTANTIATE_TEST_SUITE_P(InitialCookbook, CarriedPacketTest, ::testing::ValuesIn(carriedPackets),
                         [](const ::testing::TestParamInfo<CarriedPacket>& info) {
                             return std::string(info.param.table);
                         });

TEST(InitialCookbookContent, SixteenCategoriesWithTheirIdsNamesAndSubIdZero) {
    std::map<std::int32_t, QString> expected;
    for (const ExpectedCategory& category : expectedCategories)
        expected[category.id] = QString::fromLatin1(category.name);

    std::map<std::int32_t, QString> actual;
    for (const Row& row : mergedCategories().rows) {
        ASSERT_TRUE(row[CategoryField::Id].isInteger());
        ASSERT_TRUE(row[CategoryField::Name].isText());
        EXPECT_EQ(row[CategoryField::SubId], Value::integer(0));
        actual[row[CategoryField::Id].integer()] = row[CategoryField::Name].toQString();
    }
    EXPECT_EQ(actual, expected);
}

TEST(InitialCookbookContent, RecipeIdsRunFrom4To132WithThreePairs) {
    std::map<std::int32_t, int> expected;
    for (std::int32_t id = 4; id <= 132; ++id) {
        if (!recipeIdsUnused.contains(id))
            expected[id] = recipeIdsHeldTwice.contains(id) ? 2 : 1;
    }
    std::map<std::int32_t, int> actual;
    for (const Row& row : mergedRecipes().rows) {
        ASSERT_TRUE(row[RecipeField::Id].isInteger());
        ++actual[row[RecipeField::Id].integer()];
    }
    EXPECT_EQ(actual, expected);
}

TEST(InitialCookbookContent, RecipesPerCategoryAndOneWithoutACategory) {
    std::map<std::int32_t, int> expected;
    for (const ExpectedCategory& category : expectedCategories)
        expected[category.id] = category.recipes;

    std::map<std::int32_t, int> actual;
    QList<std::int32_t> idsWithoutCategory;
    for (const Row& row : mergedRecipes().rows) {
        if (row[RecipeField::CategoryId].isNull())
            idsWithoutCategory.append(row[RecipeField::Id].integer());
        else
            ++actual[row[RecipeField::CategoryId].integer()];
    }
    EXPECT_EQ(actual, expected);
    ASSERT_EQ(idsWithoutCategory.size(), 1);
    EXPECT_NE(idsWithoutCategory.front(), 132) << "the highest recipe ID must be in a category";
}

TEST(InitialCookbookContent, TextsAreSetAndTheUnusedFieldsNull) {
    for (const Row& row : mergedRecipes().rows) {
        SCOPED_TRACE(row[RecipeField::Id].integer());
        for (const int field :
             {RecipeField::Title, RecipeField::Ingredients, RecipeField::Preparation}) {
            ASSERT_TRUE(row[field].isText());
            EXPECT_FALSE(row[field].utf8().isEmpty());
        }
        for (const int field : {RecipeField::Servings, RecipeField::Notes, RecipeField::Picture})
            EXPECT_TRUE(row[field].isNull());
    }
}

TEST(InitialCookbookContent, TitlesUniqueAndOneHoldsAnApostrophe) {
    QStringList titles;
    for (const Row& row : mergedRecipes().rows)
        titles.append(row[RecipeField::Title].toQString());
    EXPECT_EQ(QSet<QString>(titles.begin(), titles.end()).size(), titles.size());
    EXPECT_EQ(titles.filter(QStringLiteral("'")).size(), 1);
    for (const Row& row : mergedCategories().rows)
        EXPECT_FALSE(row[CategoryField::Name].toQString().contains(QLatin1Char('\'')));
}

// Beyond ASCII only the degree sign, é, ½ and ¼, each used; lines end in CR LF.
TEST(InitialCookbookContent, CharactersAndLineBreaksOfTheTexts) {
    const QString allowedBeyondAscii = QStringLiteral("°é½¼");
    QSet<QChar> usedBeyondAscii;
    for (const Row& row : mergedRecipes().rows) {
        for (const int field :
             {RecipeField::Title, RecipeField::Ingredients, RecipeField::Preparation}) {
            const QString text = row[field].toQString();
            SCOPED_TRACE(text.toStdString());
            for (qsizetype index = 0; index < text.size(); ++index) {
                const QChar character = text[index];
                if (character == QLatin1Char('\r'))
                    EXPECT_EQ(text.mid(index + 1, 1), QStringLiteral("\n"));
                else if (character == QLatin1Char('\n'))
                    EXPECT_EQ(text.mid(index - 1, 1), QStringLiteral("\r"));
                else if (character.unicode() >= 0x7F)
                    usedBeyondAscii.insert(character);
                else
                    EXPECT_GE(character.unicode(), 0x20);
            }
        }
    }
    EXPECT_EQ(usedBeyondAscii, QSet<QChar>(allowedBeyondAscii.begin(), allowedBeyondAscii.end()));
}

// What the tree rebuild finds: categories in name order, the recipes reached
// through each, the next IDs and the totals.
TEST(InitialCookbookTables, WalkedAsTheTreeRebuildWalksThem) {
    Table categories(categoriesTableDefinition());
    Table recipes(recipesTableDefinition());
    categories.mergeChangeLog();
    recipes.mergeChangeLog();

    QStringList names;
    std::map<std::int32_t, int> recipesPerCategory;
    std::int32_t highestCategoryId = 0;
    std::int32_t highestRecipeId = 0;
    categories.setFiltered(false);
    for (; !categories.eof(); categories.next()) {
        const std::int32_t id = categories.integerByName(QStringLiteral("ID"));
        names.append(categories.textByName(QStringLiteral("Category")));
        highestCategoryId = std::max(highestCategoryId, id);
        recipes.setFilter(lookup::recipesOfCategory(id));
        recipes.setFiltered(true);
        for (; !recipes.eof(); recipes.next()) {
            highestRecipeId =
                std::max(highestRecipeId, recipes.integerByName(QStringLiteral("ID")));
            ++recipesPerCategory[id];
        }
        recipes.setFiltered(false);
    }

    QStringList expectedNames;
    std::map<std::int32_t, int> expectedCounts;
    for (const ExpectedCategory& category : expectedCategories) {
        expectedNames.append(QString::fromLatin1(category.name));
        expectedCounts[category.id] = category.recipes;
    }
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(names.first(), QStringLiteral("Appetizers"));
    EXPECT_EQ(names.last(), QStringLiteral("Soups and Stews"));
    EXPECT_EQ(recipesPerCategory, expectedCounts);
    EXPECT_EQ(highestCategoryId + 1, 18);
    EXPECT_EQ(highestRecipeId + 1, 133);
    EXPECT_EQ(categories.recordCount(), 16);
    EXPECT_EQ(recipes.recordCount(), 125);
}

} // namespace
} // namespace savrona
