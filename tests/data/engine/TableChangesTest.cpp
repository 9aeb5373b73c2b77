// A table's journal of inserts, posts and deletes, and when it cannot tell its changes.
#include "data/TableTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

class TableChangeJournal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(QStringLiteral("recipes.xml"));
        table.open();
        table.close(); // writes the file
        table.open();
        EXPECT_FALSE(table.takeChanges()) << "the first take has nothing to go by";
    }

    // Each change as "before > after" titles, "-" for none.
    static QStringList titles(const std::vector<RowChange>& changes) {
        const auto title = [](const std::optional<Row>& row) {
            return row ? (*row)[2].toQString() : QStringLiteral("-");
        };
        QStringList lines;
        for (const RowChange& change : changes)
            lines << title(change.before) + " > " + title(change.after);
        return lines;
    }

    QTemporaryDir folder;
    Table table{recipesDefinition({recipeRow(1, 1, "Pie"), recipeRow(2, 1, "apple")})};
};

TEST_F(TableChangeJournal, TellsEachChangeInOrderAcrossAReopeningOnItsRecords) {
    table.insertRecord({7, 1, "Tart"});
    table.edit();
    table.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(), "Tarte"});
    table.post();
    table.setFilter(QStringLiteral("ID = 1"));
    table.setFiltered(true);
    table.deleteRecord();
    table.setFiltered(false);
    table.close();
    table.open();
    const auto changes = table.takeChanges();
    ASSERT_TRUE(changes);
    EXPECT_EQ(titles(*changes), QStringList({"- > Tart", "Tart > Tarte", "Pie > -"}));
    ASSERT_TRUE(table.takeChanges());
    EXPECT_TRUE(table.takeChanges()->empty());
}

TEST_F(TableChangeJournal, CannotTellRowsReadAnewOrTooManyChanges) {
    table.insertRecord({7, 1, "Tart"});
    table.close();
    const QString path = QDir(folder.path()).filePath("recipes.xml");
    QByteArray bytes = fileContents(path);
    bytes.replace("apple", "apply");
    writeWholeFile(path, bytes);
    table.open();
    EXPECT_FALSE(table.takeChanges()) << "the file was read anew";

    std::vector<Row> many;
    for (std::int32_t id = 10; id <= 10 + std::int32_t(ChangeJournal::capacity); ++id)
        many.push_back(recipeRow(id, 1, "Bulk"));
    table.insertRecords(std::move(many));
    EXPECT_FALSE(table.takeChanges()) << "more changes than the journal keeps";
    ASSERT_TRUE(table.takeChanges());

    table.close();
    EXPECT_FALSE(table.takeChanges()) << "a closed table";
    table.open();
    EXPECT_FALSE(table.takeChanges()) << "nor right after it opened again";
}

} // namespace
