// Records kept across a close and reopened on their own file, after any mix of
// inserts, edits and deletes, must walk and look up exactly as the records a
// plain reading of that file gives: same rows, same order (ties included),
// same lookup results through the kept indexes.
#include "data/TableTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace savrona;
using namespace savrona::testing;

namespace {

const QStringList titles{"Pie", "pie", "Apple Tart", "Crème brûlée", "O'Brien's Stew", "Zest"};

struct Snapshot {
    std::vector<Row> rows;               // every field, walking order
    std::vector<QStringList> byCategory; // titles of each category's lookup
    std::vector<QStringList> byTitle;    // IDs of each title's lookup

    bool operator==(const Snapshot&) const = default;
};

std::vector<Row> walkedRows(Table& table) {
    std::vector<Row> rows;
    for (table.first(); !table.eof(); table.next()) {
        Row row;
        for (const FieldDefinition& field : table.fields())
            row.push_back(table.fieldByName(field.name));
        rows.push_back(std::move(row));
    }
    return rows;
}

QStringList lookedUp(Table& table, const QString& filter, const char* field) {
    table.setFilter(filter);
    table.setFiltered(true);
    const QStringList found = walkFromFirst(table, field);
    table.setFiltered(false);
    return found;
}

Snapshot snapshotOf(Table& table) {
    Snapshot snapshot{walkedRows(table), {}, {}};
    for (int category = 1; category <= 4; ++category)
        snapshot.byCategory.push_back(
            lookedUp(table, QStringLiteral("CategoryID = %1").arg(category), "Title"));
    for (QString title : titles)
        snapshot.byTitle.push_back(
            lookedUp(table, QStringLiteral("Title = '%1'").arg(title.replace('\'', "''")), "ID"));
    return snapshot;
}

class ReuseAfterChanges : public ::testing::TestWithParam<std::tuple<const char*, int>> {
protected:
    void reload(Table& table) {
        table.setFiltered(false);
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(QString::fromLatin1(std::get<0>(GetParam())));
        table.open();
    }

    Snapshot plainReading() {
        Table fresh(recipesDefinition({}));
        reload(fresh);
        return snapshotOf(fresh);
    }

    // Makes the record with the given ID current; false when there is none.
    static bool goTo(Table& table, int id) {
        table.setFilter(QStringLiteral("ID = %1").arg(id));
        table.setFiltered(true);
        return table.recordCount() > 0;
    }

    void changeAtRandom(Table& table) {
        const int id = pick(1, nextId);
        switch (pick(0, 3)) {
        case 0:
            table.insertRecord({Value::integer(nextId++), category(), title()});
            break;
        case 1:
            if (goTo(table, id)) {
                table.edit();
                table.setFields({FieldInput::leaveAlone(), category(), title()});
                table.post();
            }
            break;
        default:
            if (goTo(table, id))
                table.deleteRecord();
            break;
        }
        table.setFiltered(false);
    }

    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(random); }
    FieldInput category() {
        const int number = pick(0, 4);
        return number == 0 ? FieldInput(nullptr) : FieldInput(number);
    }
    FieldInput title() { return titles[pick(0, int(titles.size()) - 1)]; }

    QTemporaryDir folder;
    std::mt19937 random{unsigned(std::get<1>(GetParam()))};
    int nextId = 1;
};

TEST_P(ReuseAfterChanges, ReopenedRecordsWalkAndLookUpAsAPlainReading) {
    Table table(recipesDefinition({}));
    reload(table);
    for (int round = 0; round < 12; ++round) {
        const int changes = pick(0, 25);
        for (int change = 0; change < changes; ++change)
            changeAtRandom(table);
        reload(table);
        ASSERT_FALSE(table.isChanged());
        ASSERT_EQ(snapshotOf(table), plainReading()) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReuseAfterChanges,
    ::testing::Combine(::testing::Values("recipes.xml", "recipes.dat"), ::testing::Range(1, 7)),
    [](const auto& info) {
        return QString::fromLatin1(std::get<0>(info.param)).replace('.', '_').toStdString() +
               "_seed" + std::to_string(std::get<1>(info.param));
    });

} // namespace
