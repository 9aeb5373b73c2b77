// The two things a search index of a table relies on: a walk of every record
// that leaves the cursor and the filter alone, and a revision that moves on
// whenever the records may have changed, and only then.
#include "data/TableTestSupport.h"

#include "data/engine/Lookups.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

class TableRevision : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(QStringLiteral("recipes.xml"));
        table.open(); // on the kept rows: the file is missing, so the next close writes it
        reopen();
    }

    void reopen() {
        table.setFiltered(false);
        table.close();
        table.open();
    }

    QStringList titlesOfEveryRecord() const {
        QStringList titles;
        table.forEachRecord([&titles](const Row& row) { titles << row[2].toQString(); });
        return titles;
    }

    QTemporaryDir folder;
    Table table{recipesDefinition(
        {recipeRow(1, 1, "Pie"), recipeRow(2, 1, "apple"), recipeRow(3, 2, "Éclair")})};
};

TEST_F(TableRevision, EveryRecordIsVisitedInIndexOrderWhateverTheFilterAndTheCursorStays) {
    table.setFilter(lookup::recipeByTitle(QStringLiteral("Pie")));
    table.setFiltered(true);
    EXPECT_EQ(titlesOfEveryRecord(), QStringList({"apple", "Éclair", "Pie"}));
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_EQ(table.textByName(QStringLiteral("Title")), QStringLiteral("Pie"));
}

struct RevisionCase {
    const char* name;
    std::function<void(Table&, const QString& folder)> step;
    bool moves;
};

void PrintTo(const RevisionCase& row, std::ostream* out) {
    *out << row.name;
}

class TableRevisionSteps : public TableRevision,
                           public ::testing::WithParamInterface<RevisionCase> {};

TEST_P(TableRevisionSteps, MovesOnWhenTheRecordsMayHaveChanged) {
    const std::uint64_t before = table.revision();
    GetParam().step(table, folder.path());
    if (!table.isOpen())
        table.open();
    EXPECT_EQ(table.revision() != before, GetParam().moves);
}

const auto closeAndOpen = [](Table& table, const QString&) {
    table.close();
    table.open();
};

INSTANTIATE_TEST_SUITE_P(
    Steps, TableRevisionSteps,
    ::testing::Values(
        RevisionCase{"Walking", [](Table& table, const QString&) { table.next(); }, false},
        RevisionCase{"Filtering",
                     [](Table& table, const QString&) {
                         table.setFilter(QStringLiteral("ID = 2"));
                         table.setFiltered(true);
                     },
                     false},
        RevisionCase{"ReopeningAnUnchangedFile", closeAndOpen, false},
        RevisionCase{"EditBegunButNotPosted", [](Table& table, const QString&) { table.edit(); },
                     false},
        RevisionCase{"Insert",
                     [](Table& table, const QString&) {
                         table.insertRecord({7, 1, "Tart"});
                     },
                     true},
        RevisionCase{"InsertMany",
                     [](Table& table, const QString&) {
                         table.insertRecords({recipeRow(7, 1, "Tart"), recipeRow(8, 1, "Flan")});
                     },
                     true},
        RevisionCase{"Post",
                     [](Table& table, const QString&) {
                         table.edit();
                         table.setFields({FieldInput::leaveAlone(), 3});
                         table.post();
                     },
                     true},
        RevisionCase{"Delete", [](Table& table, const QString&) { table.deleteRecord(); }, true},
        RevisionCase{"ReopeningOnWhatAChangeWrote",
                     [](Table& table, const QString&) {
                         table.insertRecord({7, 1, "Tart"});
                         const std::uint64_t changed = table.revision();
                         closeAndOpen(table, {});
                         EXPECT_EQ(table.revision(), changed);
                     },
                     true},
        RevisionCase{"FileRewrittenBehindItsBack",
                     [](Table& table, const QString& folder) {
                         table.close();
                         const QString path = QDir(folder).filePath("recipes.xml");
                         QByteArray bytes = fileContents(path);
                         bytes.replace("Pie", "Pit");
                         writeWholeFile(path, bytes);
                     },
                     true}),
    [](const ::testing::TestParamInfo<RevisionCase>& info) { return info.param.name; });

TEST_F(TableRevision, AClosedTableHasNoRecordsToWalk) {
    table.close();
    EXPECT_EQ(messageOf([&] { table.revision(); }),
              "dataSetRecipes: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(messageOf([&] { titlesOfEveryRecord(); }),
              "dataSetRecipes: Cannot perform this operation on a closed dataset");
}

} // namespace
