// Adding many records in one step must leave the table exactly as adding them
// one by one does: the walk order, the lookups, the filtered view, the current
// record and the data file.
#include "data/TableTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Titles with repeats, letter-case twins, accents and a null, in no order.
std::vector<Row> mixedRecipes(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    const QStringList stems{"apple", "Apple", "Éclair", "Eclair", "Zucchini", "bread", "½ loaf"};
    std::vector<Row> rows;
    for (int number = 0; number < count; ++number) {
        const QString title =
            QStringLiteral("%1 %2").arg(stems[random() % stems.size()]).arg(random() % 20);
        rows.push_back(recipeRow(1000 + number, static_cast<int>(random() % 5), title));
    }
    if (!rows.empty())
        rows.front()[2] = Value();
    return rows;
}

struct BulkCase {
    const char* name;
    int existing;
    int added;
    const char* filterBefore; // switched on before the insert, or empty
};

void PrintTo(const BulkCase& bulk, std::ostream* out) {
    *out << bulk.name;
}

class BulkInsert : public ::testing::TestWithParam<BulkCase> {};

QString shown(const Value& value) {
    if (value.isNull())
        return QStringLiteral("<null>");
    return value.isInteger() ? QString::number(value.integer()) : value.toQString();
}

QStringList everyTitle(Table& table) {
    QStringList titles;
    table.setFiltered(false);
    for (; !table.eof(); table.next())
        titles << shown(table.fieldByName("Title")) + u'|' + shown(table.fieldByName("ID"));
    return titles;
}

TEST_P(BulkInsert, LeavesTheTableAsSingleInsertsDo) {
    const BulkCase& bulk = GetParam();
    Table one(recipesDefinition(mixedRecipes(bulk.existing, 3)));
    Table many(recipesDefinition(mixedRecipes(bulk.existing, 3)));
    const std::vector<Row> added = mixedRecipes(bulk.added, 9);
    for (Table* table : {&one, &many}) {
        // The indexes a rebuild and a title lookup build before an import.
        table->setFilter("CategoryID = 2");
        table->setFiltered(true);
        table->setFilter("Title = 'apple 3'");
        table->setFiltered(false);
        if (*bulk.filterBefore != '\0') {
            table->setFilter(bulk.filterBefore);
            table->setFiltered(true);
        }
    }
    for (const Row& row : added)
        one.insertRecord({row[0], row[1], row[2], row[3], row[4]});
    many.insertRecords(added);

    EXPECT_EQ(many.isChanged(), !added.empty());
    if (!added.empty()) {
        EXPECT_EQ(many.fieldByName("ID"), one.fieldByName("ID")) << "the last record is current";
        EXPECT_EQ(many.recordCount(), one.recordCount()) << "new records join the view";
        EXPECT_EQ(walkFromFirst(many, "ID"), walkFromFirst(one, "ID"));
    }
    EXPECT_EQ(everyTitle(many), everyTitle(one));
    for (const QString& lookup :
         {QStringLiteral("CategoryID = 2"), QStringLiteral("CategoryID = 4"),
          QStringLiteral("Title = 'apple 3'"), QStringLiteral("Title = 'Éclair 7'"),
          QStringLiteral("ID = 1003")}) {
        one.setFilter(lookup);
        one.setFiltered(true);
        many.setFilter(lookup);
        many.setFiltered(true);
        EXPECT_EQ(walk(many, "ID"), walk(one, "ID")) << lookup.toStdString();
    }

    QTemporaryDir folder;
    for (Table* table : {&one, &many}) {
        table->setFiltered(false);
        table->close();
        table->setDataDirectory(folder.path());
        table->setFileName(table == &one ? "one.xml" : "many.xml");
        table->open();
        table->close();
    }
    EXPECT_EQ(fileContents(folder.filePath("many.xml")), fileContents(folder.filePath("one.xml")));
}

INSTANTIATE_TEST_SUITE_P(Tables, BulkInsert,
                         ::testing::Values(BulkCase{"IntoAnEmptyTable", 0, 40, ""},
                                           BulkCase{"AmongExistingRows", 60, 80, ""},
                                           BulkCase{"WhileAFilterIsOn", 60, 30, "CategoryID = 3"},
                                           BulkCase{"NothingAdded", 20, 0, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BulkInsertRefusal, AValueOfTheWrongTypeAddsNoneOfTheRecords) {
    Table table(recipesDefinition(mixedRecipes(5, 1)));
    std::vector<Row> rows = mixedRecipes(3, 2);
    rows[2][0] = Value::text(QStringLiteral("x7"));
    EXPECT_EQ(messageOf([&] { table.insertRecords(rows); }),
              "dataSetRecipes: 'x7' is not a valid integer value");
    EXPECT_EQ(walkFromFirst(table, "ID").size(), 5);
    EXPECT_FALSE(table.isChanged());
}

} // namespace
