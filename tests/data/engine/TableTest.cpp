#include "data/TableTestSupport.h"

#include "data/engine/FilterExpression.h"

#include <gtest/gtest.h>

#include <random>

using namespace savrona;
using namespace savrona::testing;

namespace {

const QStringList initialCategoryNames{"Appetizers",
                                       "Bread and Muffins",
                                       "Breakfasts and Sandwitches",
                                       "Casserole",
                                       "Desserts and Cakes",
                                       "Eggs and Cheese",
                                       "Fish and Sea food",
                                       "Main dishes",
                                       "Meat and Barbicue",
                                       "Mexican Food",
                                       "Pasta",
                                       "Poultries",
                                       "Salads and Dressings",
                                       "Sauces and Gravys",
                                       "Side dishes",
                                       "Soups and Stews"};

// Recipes 1..9 in categories 1..3 (recipe n in category n % 3 + 1), titles out of order.
std::vector<Row> nineRecipes() {
    const QStringList titles{"Stew", "Apple Pie", "Bread", "Omelette", "Cake",
                             "Fish", "Ragout",    "Pasta", "Dumplings"};
    std::vector<Row> rows;
    for (int index = 0; index < titles.size(); ++index)
        rows.push_back(recipeRow(index + 1, (index + 1) % 3 + 1, titles[index]));
    return rows;
}

TEST(TableWalk, CategoriesComeOutInNameOrderWhateverTheInsertionOrder) {
    QStringList scrambled = initialCategoryNames;
    std::mt19937 random(7);
    std::shuffle(scrambled.begin(), scrambled.end(), random);
    Table table(categoriesDefinition({}));
    for (const QString& name : scrambled)
        table.insertRecord({1, 0, name});
    EXPECT_EQ(walkFromFirst(table, "Category"), initialCategoryNames);

    table.close();
    table.open();
    EXPECT_EQ(walk(table, "Category"), initialCategoryNames);
}

TEST(TableWalk, NamesDifferingInCaseAreDistinctAndSitTogether) {
    Table table(
        categoriesDefinition(categoryRows({"pasta", "Soups", "Pasta", "apple", "Zucchini"})));
    EXPECT_EQ(walk(table, "Category"),
              QStringList({"apple", "Pasta", "pasta", "Soups", "Zucchini"}));

    table.setFilter("Category = 'pasta'");
    table.setFiltered(true);
    EXPECT_EQ(walk(table, "Category"), QStringList({"pasta"}));
}

TEST(TableWalk, EqualKeysKeepInsertionOrderAcrossReopening) {
    Table table(categoriesDefinition(
        {categoryRow(1, "Same"), categoryRow(2, "Same"), categoryRow(3, "A")}));
    table.insertRecord({4, 0, "Same"});
    EXPECT_EQ(walkFromFirst(table, "ID"), QStringList({"3", "1", "2", "4"}));
    table.close();
    table.open();
    EXPECT_EQ(walk(table, "ID"), QStringList({"3", "1", "2", "4"}));
}

TEST(TableWalk, NullKeysComeFirstAndEofIsSetByMovingPastTheLast) {
    Table table(categoriesDefinition({categoryRow(1, "B"), {Value::integer(2), Value(), Value()}}));
    EXPECT_EQ(table.integerByName("ID"), 2);
    table.next();
    EXPECT_FALSE(table.eof());
    EXPECT_EQ(table.textByName("Category"), "B");
    table.next();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.textByName("Category"), "B") << "the cursor stays on the last record";
}

TEST(TableFilter, CountsOnlyMatchingRecordsWhileOn) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("CategoryID = 2");
    EXPECT_EQ(table.recordCount(), 9) << "setting the text while off only stores it";
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_EQ(walk(table, "Title"), QStringList({"Omelette", "Ragout", "Stew"}));
    table.setFiltered(false);
    EXPECT_EQ(table.recordCount(), 9);
}

TEST(TableFilter, SwitchingOnOffAndNewTextEachMoveToTheFirstRecord) {
    Table table(recipesDefinition(nineRecipes()));
    const auto moveToThird = [&] {
        table.first();
        table.next();
        table.next();
    };

    moveToThird();
    table.setFiltered(false); // already off
    EXPECT_EQ(table.textByName("Title"), "Apple Pie");

    moveToThird();
    table.setFilter("CategoryID = 3");
    EXPECT_EQ(table.textByName("Title"), "Cake") << "setting the text while off moves nothing";

    table.setFiltered(true);
    EXPECT_EQ(table.textByName("Title"), "Apple Pie");
    table.next();
    table.setFilter("CategoryID = 1");
    EXPECT_EQ(table.textByName("Title"), "Bread");
    EXPECT_EQ(table.recordCount(), 3);

    table.next();
    table.setFiltered(true); // already on: the view is computed again
    EXPECT_EQ(table.textByName("Title"), "Bread");
}

TEST(TableFilter, UnreadableTextIsRefusedWithTheReadersMessage) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("Title = 'Grandma's Pie'");
    EXPECT_EQ(messageOf([&] { table.setFiltered(true); }),
              "Filter expression incorrectly terminated");
    EXPECT_FALSE(table.isFiltered());
    EXPECT_EQ(table.recordCount(), 9);

    table.setFilter("CategoryID = 2");
    table.setFiltered(true);
    EXPECT_EQ(messageOf([&] { table.setFilter("Nope = 1"); }), "Field 'Nope' not found");
    EXPECT_TRUE(table.isFiltered());
    EXPECT_EQ(table.filter(), "CategoryID = 2") << "the old filter stays";
    EXPECT_EQ(table.recordCount(), 3);
}

TEST(TableFilter, EmptyTextShowsEveryRecord) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("  ");
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 9);
}

TEST(TableEmptyView, ReadsNullsAndEmptyMemoAndFailsConversions) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("CategoryID = 99");
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 0);
    EXPECT_TRUE(table.eof());
    EXPECT_TRUE(table.fieldByName("Title").isNull());
    EXPECT_TRUE(table.fieldByName("ID").isNull());
    EXPECT_EQ(table.textByName("Ingredients"), "");
    EXPECT_EQ(messageOf([&] { table.textByName("Title"); }),
              "dataSetRecipes: Invalid variant type conversion");
    EXPECT_EQ(messageOf([&] { table.integerByName("ID"); }),
              "dataSetRecipes: Invalid variant type conversion");
    EXPECT_EQ(messageOf([&] { table.deleteRecord(); }),
              "dataSetRecipes: Cannot perform this operation on an empty dataset");
}

TEST(TableRead, ConvertsBetweenTextAndIntegerAndNamesMissingFields) {
    Table table(categoriesDefinition({categoryRow(12, "42"), categoryRow(13, "Soups")}));
    EXPECT_EQ(table.textByName("ID"), "12");
    EXPECT_EQ(table.integerByName("Category"), 42);
    EXPECT_EQ(table.textByName("category"), "42") << "field names ignore letter case";
    table.next();
    EXPECT_EQ(messageOf([&] { table.integerByName("Category"); }),
              "dataSetCategories: 'Soups' is not a valid integer value");
    EXPECT_EQ(messageOf([&] { table.fieldByName("Title"); }),
              "dataSetCategories: Field 'Title' not found");
    EXPECT_TRUE(table.fieldByName("Category").isText());
}

TEST(TableDelete, FirstRecordOfAFilteredViewUntilEof) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("CategoryID = 2");
    table.setFiltered(true);
    int deleted = 0;
    while (!table.eof()) {
        table.deleteRecord();
        ++deleted;
    }
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(table.recordCount(), 0);
    table.setFiltered(false);
    EXPECT_EQ(table.recordCount(), 6);
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 0) << "every matching record is gone";
}

TEST(TableDelete, NextBecomesCurrentOrThePreviousAfterTheLast) {
    Table table(categoriesDefinition(categoryRows({"A", "B", "C"})));
    table.next(); // B
    table.deleteRecord();
    EXPECT_EQ(table.textByName("Category"), "C");
    EXPECT_FALSE(table.eof());
    table.deleteRecord();
    EXPECT_EQ(table.textByName("Category"), "A");
    EXPECT_FALSE(table.eof());
    table.deleteRecord();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.recordCount(), 0);
}

TEST(TableInsert, LeaveAloneNullAndMissingValuesLeaveFieldsNull) {
    Table table(recipesDefinition({}));
    table.insertRecord({7, FieldInput::leaveAlone(), "Soup", nullptr, ""});
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_EQ(table.integerByName("ID"), 7);
    EXPECT_TRUE(table.fieldByName("CategoryID").isNull());
    EXPECT_EQ(table.fieldByName("Ingredients"), Value::text(QByteArray("")))
        << "a null memo reads as empty";
    EXPECT_EQ(table.fieldByName("Preparation"), Value::text(QByteArray("")));
    EXPECT_TRUE(table.fieldByName("servings").isNull());
    EXPECT_TRUE(table.fieldByName("Picture").isNull());
}

TEST(TableInsert, ConvertsValuesToTheFieldTypeOrRefusesWithoutAdding) {
    Table table(categoriesDefinition({}));
    table.insertRecord({"15", 0, 2024});
    EXPECT_EQ(table.fieldByName("ID"), Value::integer(15));
    EXPECT_EQ(table.fieldByName("Category"), Value::text(QByteArray("2024")));
    EXPECT_EQ(messageOf([&] {
                  table.insertRecord({"x1", 0, "Bad"});
              }),
              "dataSetCategories: 'x1' is not a valid integer value");
    EXPECT_FALSE(messageOf([&] { table.insertRecord({1, 0, "A", "too many"}); }).isEmpty());
    table.first();
    EXPECT_EQ(table.recordCount(), 1);
}

TEST(TableInsert, NewRecordIsCurrentEvenOutsideTheFilterUntilTheViewIsRefreshed) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("CategoryID = 2");
    table.setFiltered(true);
    table.insertRecord({50, 3, "Eclair"});
    EXPECT_EQ(table.textByName("Title"), "Eclair");
    EXPECT_EQ(table.recordCount(), 4);
    EXPECT_EQ(walkFromFirst(table, "Title"), QStringList({"Eclair", "Omelette", "Ragout", "Stew"}));
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 3);
}

TEST(TableEdit, EditInAnEmptyViewAddsARecord) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("Title = 'Waffles'");
    table.setFiltered(true);
    table.edit();
    table.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(), "Waffles"});
    table.post();
    EXPECT_EQ(table.textByName("Title"), "Waffles");
    EXPECT_TRUE(table.fieldByName("ID").isNull());
    table.setFiltered(false);
    EXPECT_EQ(table.recordCount(), 10);
}

TEST(TableEdit, ChangedKeyMovesTheRecordAndTheCursorFollows) {
    Table table(categoriesDefinition(categoryRows({"A", "B", "C"})));
    table.edit();
    table.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(), "D"});
    EXPECT_EQ(table.textByName("Category"), "D") << "reads show the pending edit";
    table.post();
    EXPECT_EQ(table.textByName("Category"), "D");
    table.next();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(walkFromFirst(table, "Category"), QStringList({"B", "C", "D"}));
}

TEST(TableEdit, EditedRecordStaysInTheFilteredViewUntilRefreshed) {
    Table table(recipesDefinition(nineRecipes()));
    table.setFilter("CategoryID = 2");
    table.setFiltered(true); // Omelette, Ragout, Stew
    table.edit();
    table.setFields({FieldInput::leaveAlone(), 3, "Zabaione"});
    table.post();
    EXPECT_EQ(walkFromFirst(table, "Title"), QStringList({"Ragout", "Stew", "Zabaione"}));
    table.setFilter("CategoryID = 2");
    EXPECT_EQ(walk(table, "Title"), QStringList({"Ragout", "Stew"}));
}

TEST(TableEdit, SetFieldsAndPostNeedAnEdit) {
    Table table(categoriesDefinition(categoryRows({"A"})));
    EXPECT_EQ(messageOf([&] { table.post(); }),
              "dataSetCategories: Dataset not in edit or insert mode");
    EXPECT_EQ(messageOf([&] { table.setFields({1}); }),
              "dataSetCategories: Dataset not in edit or insert mode");
}

TEST(TableChanges, OnlyInsertPostAndDeleteCountAsChanges) {
    const std::vector<std::pair<const char*, std::function<void(Table&)>>> cases{
        {"merge", [](Table& table) { table.mergeChangeLog(); }},
        {"filter",
         [](Table& table) {
             table.setFilter("ID = 1");
             table.setFiltered(true);
             table.setFiltered(false);
         }},
        {"walk", [](Table& table) { walk(table, "Category"); }},
    };
    for (const auto& [name, action] : cases) {
        Table table(categoriesDefinition(categoryRows({"A", "B"})));
        action(table);
        EXPECT_FALSE(table.isChanged()) << name;
    }
    const std::vector<std::pair<const char*, std::function<void(Table&)>>> changes{
        {"insert",
         [](Table& table) {
             table.insertRecord({3, 0, "C"});
         }},
        {"post",
         [](Table& table) {
             table.edit();
             table.post();
         }},
        {"delete", [](Table& table) { table.deleteRecord(); }},
    };
    for (const auto& [name, action] : changes) {
        Table table(categoriesDefinition(categoryRows({"A", "B"})));
        action(table);
        EXPECT_TRUE(table.isChanged()) << name;
    }
}

struct ClosedTableCase {
    const char* operation;
    std::function<void(Table&)> action;
};

class ClosedTable : public ::testing::TestWithParam<ClosedTableCase> {};

TEST_P(ClosedTable, RefusesWithTheTableName) {
    Table table(categoriesDefinition(categoryRows({"A"})));
    table.close();
    ASSERT_FALSE(table.isOpen());
    EXPECT_EQ(messageOf([&] { GetParam().action(table); }),
              "dataSetCategories: Cannot perform this operation on a closed dataset");
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperationButOpening, ClosedTable,
    ::testing::Values(
        ClosedTableCase{"recordCount", [](Table& table) { table.recordCount(); }},
        ClosedTableCase{"first", [](Table& table) { table.first(); }},
        ClosedTableCase{"next", [](Table& table) { table.next(); }},
        ClosedTableCase{"eof", [](Table& table) { table.eof(); }},
        ClosedTableCase{"fieldByName", [](Table& table) { table.fieldByName("ID"); }},
        ClosedTableCase{"textByName", [](Table& table) { table.textByName("ID"); }},
        ClosedTableCase{"insertRecord", [](Table& table) { table.insertRecord({1}); }},
        ClosedTableCase{"edit", [](Table& table) { table.edit(); }},
        ClosedTableCase{"post", [](Table& table) { table.post(); }},
        ClosedTableCase{"deleteRecord", [](Table& table) { table.deleteRecord(); }},
        ClosedTableCase{"setFilter", [](Table& table) { table.setFilter("ID = 1"); }},
        ClosedTableCase{"filterOn", [](Table& table) { table.setFiltered(true); }},
        ClosedTableCase{"mergeChangeLog", [](Table& table) { table.mergeChangeLog(); }}),
    [](const auto& info) { return std::string(info.param.operation); });

TEST(TableLifecycle, WithoutAPacketTheTableIsClosedAndCannotOpen) {
    Table table(TableDefinition{"dataSetRecipes", recipeFields(), "Title", std::nullopt});
    EXPECT_FALSE(table.isOpen());
    EXPECT_EQ(messageOf([&] { table.open(); }),
              "dataSetRecipes: Missing data provider or data packet");
    EXPECT_FALSE(table.isOpen());
    table.setFiltered(false); // allowed while closed, so that a rebuild reaches its open
    table.close();            // does nothing
}

TEST(TableLifecycle, WithoutAFileTheDataIsKeptAcrossCloseAndTheFilterToo) {
    Table table(categoriesDefinition(categoryRows({"B", "A"})));
    table.insertRecord({3, 0, "C"});
    table.setFilter("Category > 'A'");
    table.setFiltered(true);
    table.close();
    table.open();
    EXPECT_TRUE(table.isFiltered());
    EXPECT_EQ(walk(table, "Category"), QStringList({"B", "C"}));
    EXPECT_FALSE(table.isChanged());
}

// Lookups answered from the hash indexes must give exactly what a scan gives,
// also after inserts, edits and deletes.
TEST(TableLookup, EqualityIndexMatchesAScan) {
    std::vector<Row> rows;
    std::mt19937 random(11);
    for (int id = 0; id < 300; ++id)
        rows.push_back(recipeRow(static_cast<int>(random() % 40), static_cast<int>(random() % 12),
                                 QStringLiteral("Title %1").arg(random() % 150)));
    rows[5][1] = Value();
    Table table(recipesDefinition(std::move(rows)));

    const auto compare = [&](const QString& equality, const QString& scan) {
        table.setFilter(equality);
        table.setFiltered(true);
        const int fastCount = table.recordCount();
        const QStringList fast = walk(table, "Title");
        table.setFilter(scan);
        EXPECT_EQ(fastCount, table.recordCount()) << equality.toStdString();
        EXPECT_EQ(fast, walk(table, "Title")) << equality.toStdString();
        table.setFiltered(false);
    };
    const auto compareAll = [&] {
        for (int value = -1; value < 14; ++value) {
            compare(QStringLiteral("CategoryID = %1").arg(value),
                    QStringLiteral("CategoryID = %1 AND CategoryID = %1").arg(value));
            compare(QStringLiteral("id = %1").arg(value * 3),
                    QStringLiteral("(ID = %1) OR (ID = %1)").arg(value * 3));
            compare(QStringLiteral("Title = 'Title %1'").arg(value * 11),
                    QStringLiteral("Title >= 'Title %1' AND Title <= 'Title %1'").arg(value * 11));
        }
    };
    compareAll();

    for (int round = 0; round < 200; ++round) {
        table.setFilter(QStringLiteral("CategoryID = %1").arg(random() % 12));
        table.setFiltered(true);
        const auto action = random() % 3;
        if (action == 0 || table.recordCount() == 0) {
            table.insertRecord({static_cast<int>(random() % 40), static_cast<int>(random() % 12),
                                QStringLiteral("Title %1").arg(random() % 150)});
        } else if (action == 1) {
            table.edit();
            table.setFields({static_cast<int>(random() % 40), static_cast<int>(random() % 12),
                             QStringLiteral("Title %1").arg(random() % 150)});
            table.post();
        } else {
            table.deleteRecord();
        }
        table.setFiltered(false);
    }
    compareAll();
}

} // namespace
