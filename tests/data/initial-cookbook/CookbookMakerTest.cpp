// The initial cookbook's packet maker: the rows and change log it records for
// each kind of change, their merge by the packet reader, and its messages for
// a history that does not fit the cookbook or the program's rules.
#include "data/Error.h"
#include "data/packets/binary/BinaryPacket.h"
#include "initial-cookbook/ChangeLogRecorder.h"
#include "initial-cookbook/CookbookSource.h"
#include "initial-cookbook/HistoryReplay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace savrona {
namespace {

using cookbook::ChangeLogRecorder;
using ::testing::HasSubstr;

ChangeLogRecorder::Record record(std::int32_t id, const char* name) {
    return {RawCell::integer(id), RawCell::text(QByteArray(name))};
}

std::vector<std::uint8_t> statesOf(const std::vector<RawRow>& rows) {
    std::vector<std::uint8_t> states;
    for (const RawRow& row : rows)
        states.push_back(row.state);
    return states;
}

// The names of the current records after the packet reader merges the log.
QStringList mergedNames(const std::vector<RawRow>& rows, const std::vector<ChangeLogEntry>& log) {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), RawField::text("Name", 20, 1)};
    packet.rows = rows;
    packet.setChangeLog(log);
    QStringList names;
    for (const Row& row :
         mergeRawBinaryPacket(readRawBinaryPacket(writeRawBinaryPacket(packet))).rows)
        names.append(QStringLiteral("%1 %2").arg(row[0].integer()).arg(row[1].toQString()));
    return names;
}

struct RecorderCase {
    const char* name;
    std::function<void(ChangeLogRecorder&)> changes;
    std::vector<std::uint8_t> states;
    std::vector<ChangeLogEntry> log;
    QStringList merged;
};

const RecorderCase recorderCases[] = {
    {"ModifiedOriginal",
     [](ChangeLogRecorder& log) {
         log.addOriginal(1, record(1, "Soup"));
         log.addOriginal(2, record(2, "Salads"));
         log.modify(1, record(1, "Soups"));
         log.modify(1, record(1, "Soups and Stews"));
     },
     {1, 0, 9, 8},
     {{3, 1, 8}, {4, 3, 8}},
     {QStringLiteral("2 Salads"), QStringLiteral("1 Soups and Stews")}},
    {"InsertedThenModified",
     [](ChangeLogRecorder& log) {
         log.insert(7, record(3, "Pies"));
         log.modify(7, record(3, "Pies and Tarts"));
     },
     {5, 8},
     {{1, 0, 4}, {2, 1, 8}},
     {QStringLiteral("3 Pies and Tarts")}},
    {"OriginalDeletedAfterAChange",
     [](ChangeLogRecorder& log) {
         log.addOriginal(1, record(1, "Drinks"));
         log.modify(1, record(1, "Beverages"));
         log.remove(1);
     },
     {1, 32, 2},
     {{3, 1, 2}},
     {}},
    {"InsertedThenDeleted",
     [](ChangeLogRecorder& log) {
         log.addOriginal(1, record(1, "Soups"));
         log.insert(2, record(2, "Kids"));
         log.modify(2, record(2, "Kids Food"));
         log.remove(2);
         log.insert(3, record(2, "Cookies"));
     },
     {0, 32, 32, 4},
     {{4, 0, 4}},
     {QStringLiteral("1 Soups"), QStringLiteral("2 Cookies")}},
};

class CookbookMakerRecorderTest : public ::testing::TestWithParam<RecorderCase> {};

TEST_P(CookbookMakerRecorderTest, RecordsRowsAndLogThatMergeIntoTheCurrentRecords) {
    ChangeLogRecorder recorder;
    GetParam().changes(recorder);
    EXPECT_EQ(statesOf(recorder.rows()), GetParam().states);
    EXPECT_EQ(recorder.changeLog(), GetParam().log);
    EXPECT_EQ(mergedNames(recorder.rows(), recorder.changeLog()), GetParam().merged);
    for (const RawRow& row : recorder.rows()) {
        if (row.state == RowState::FreeSlot) {
            EXPECT_EQ(row.cells, std::vector<RawCell>(2, RawCell::null()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, CookbookMakerRecorderTest, ::testing::ValuesIn(recorderCases),
                         [](const ::testing::TestParamInfo<RecorderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(CookbookMakerRecorder, ModificationHoldsOnlyTheChangedValues) {
    ChangeLogRecorder recorder;
    recorder.addOriginal(1, record(1, "Soup"));
    recorder.modify(1, record(1, "Soups"));
    EXPECT_EQ(recorder.rows().back().cells,
              (std::vector<RawCell>{RawCell::sameAsReplaced(), RawCell::text("Soups")}));
    EXPECT_THROW(recorder.modify(1, record(1, "Soups")), Error);
}

// A small cookbook as it is now, for the histories below.
const char* const categoriesNow = "1 Soups\n2 Salads\n";
const char* const recipesNow =
    "@recipe\nID: 1\nCategory: 1\nTitle: Tomato Soup\n"
    "@ingredients\n4 tomatoes\n@preparation\n1. Simmer 20 minutes.\n@end\n"
    "\n@recipe\nID: 2\nCategory: 2\nTitle: Green Salad\n"
    "@ingredients\n1 lettuce\n@preparation\n1. Toss.\n@end\n";
const char* const deletedSalad = "@recipe\nID: 2\nCategory: 2\nTitle: Old Salad\n"
                                 "@ingredients\n1 cabbage\n@preparation\n1. Chop.\n@end\n";

cookbook::InitialPackets packetsFor(const QString& history) {
    cookbook::CookbookSources sources;
    sources.categories =
        cookbook::readCategories(QString::fromUtf8(categoriesNow), "categories.txt");
    sources.recipes = cookbook::readRecipes(QString::fromUtf8(recipesNow), "recipes.txt");
    sources.history = cookbook::readHistory(history, QStringLiteral("history.txt"));
    return cookbook::makeInitialPackets(sources);
}

TEST(CookbookMakerReplay, HistoryBecomesTheOriginalRowsAndTheChangesAfterThem) {
    const cookbook::InitialPackets packets =
        packetsFor(QStringLiteral("rename category 1 \"Soup\" to \"Soups\"\n"
                                  "add category 3 \"Desserts\"\n"
                                  "delete category 3 \"Desserts\"\n"
                                  "delete recipe \"Old Salad\"\n"
                                  "add recipe 2\n"
                                  "@edit Tomato Soup\n@preparation\n"
                                  "-1. Simmer.\n+1. Simmer 20 minutes.\n@end\n") +
                   QString::fromUtf8(deletedSalad));

    EXPECT_EQ(statesOf(packets.categories.rows), (std::vector<std::uint8_t>{1, 0, 8, 32}));
    EXPECT_EQ(packets.categories.changeLog(), (std::vector<ChangeLogEntry>{{3, 1, 8}}));
    EXPECT_EQ(statesOf(packets.recipes.rows), (std::vector<std::uint8_t>{1, 1, 2, 4, 8}));
    EXPECT_EQ(packets.recipes.changeLog(),
              (std::vector<ChangeLogEntry>{{3, 2, 2}, {4, 0, 4}, {5, 1, 8}}));
    EXPECT_EQ(packets.recipes.rows[0].cells[4], RawCell::text("1. Simmer."));
    EXPECT_EQ(packets.recipes.rows[1].cells[2], RawCell::text("Old Salad"));

    const Packet recipes = mergeRawBinaryPacket(packets.recipes);
    ASSERT_EQ(recipes.rows.size(), 2u);
    EXPECT_EQ(recipes.rows[0][2].toQString(), QStringLiteral("Green Salad"));
    EXPECT_EQ(recipes.rows[1][4].toQString(), QStringLiteral("1. Simmer 20 minutes."));
    EXPECT_TRUE(recipes.rows[1][5].isNull());
}

struct FaultCase {
    const char* name;
    const char* history;
    const char* message;
};

const FaultCase faultCases[] = {
    {"NameNotAsTheHistorySays", "rename category 1 \"Soup\" to \"Stews\"\n",
     "history.txt:1: category 1 is named \"Soups\" then"},
    {"NewCategoryIdNotTheNext", "add category 5 \"Desserts\"\ndelete category 5 \"Desserts\"\n",
     "history.txt:1: a new category gets the ID 3, not 5"},
    {"CategoryDeletedWithRecipes",
     "\n# the stews went first\ndelete category 3 \"Stews\"\nmove recipe \"Tomato Soup\" from 3 to "
     "1\n",
     "history.txt:3: the category still holds recipes; delete or move them first"},
    {"NewRecipeIdNotTheNext", "add recipe 1\n", "history.txt:1: a new recipe gets the ID 3, not 1"},
    {"MovedRecipeMissing", "move recipe \"Pea Soup\" from 2 to 1\n",
     "history.txt:1: there is no recipe titled \"Pea Soup\" then"},
    {"MovedFromTheWrongCategory", "move recipe \"Tomato Soup\" from 2 to 2\n",
     "history.txt:1: the recipe is in category 1 then"},
    {"EditedLinesNotInTheText", "@edit Tomato Soup\n@preparation\n-1. Boil.\n+1. Simmer.\n@end\n",
     "history.txt:1: the changed lines of the preparation occur 0 times in it, not once"},
    {"DeletedRecipeWithoutRecord", "delete recipe \"Old Salad\"\n",
     "history.txt:1: the history holds no record of the deleted recipe \"Old Salad\""},
    {"UnknownChange", "paint category 1 \"Soups\"\n",
     "history.txt:1: a category is added, renamed or deleted"},
    {"CharacterOutsideTheCookbooksSet", "rename category 1 \"Soup\u2013\" to \"Soups\"\n",
     "history.txt:1: the character U+2013 is not one the cookbook may use"},
    {"EditChangingNothing", "\n@edit Tomato Soup\n@end\n",
     "history.txt:3: the edit changes nothing"},
    {"RecordCutShort", "@recipe\nID: 2\n",
     "history.txt:2: the file ends in the middle of a record"},
};

class CookbookMakerFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CookbookMakerFaultTest, NamesThePlaceAndTheFault) {
    try {
        packetsFor(QString::fromUtf8(GetParam().history));
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_THAT(error.message().toStdString(), HasSubstr(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(History, CookbookMakerFaultTest, ::testing::ValuesIn(faultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace savrona
