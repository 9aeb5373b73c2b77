#include "cookbook/TestCookbook.h"

#include "data/initial-cookbook/TableDefinitions.h"

#include <QFile>

namespace savrona::testing {

namespace {

TableDefinition definitionWith(TableDefinition definition, std::vector<Row> rows) {
    definition.initialPacket = Packet{definition.fields, std::move(rows)};
    return definition;
}

std::unique_ptr<Table> tableInFolder(TableDefinition definition, const QString& folder,
                                     const QString& fileName) {
    auto table = std::make_unique<Table>(std::move(definition));
    // Closed without a file name, the table keeps its data for the next opening.
    table->close();
    table->setDataDirectory(folder);
    table->setFileName(fileName);
    table->open();
    return table;
}

} // namespace

TestCookbook::TestCookbook(const std::vector<CategoryRecord>& categoryRecords,
                           const std::vector<RecipeRecord>& recipeRecords) {
    m_categories = tableInFolder(
        definitionWith(categoriesTableDefinition(), categoryTableRows(categoryRecords)),
        m_folder.path(), categoriesFileName);
    m_recipes =
        tableInFolder(definitionWith(recipesTableDefinition(), recipeTableRows(recipeRecords)),
                      m_folder.path(), recipesFileName);
    // Both files exist from here on, and neither table counts as changed.
    rebuild();
}

TestCookbook::~TestCookbook() = default;

void TestCookbook::rebuild() {
    for (Table* table : {m_categories.get(), m_recipes.get()}) {
        table->setFiltered(false);
        table->close();
        table->open();
    }
    nextCategory = highestCategoryIdPlusOne();
}

std::int32_t TestCookbook::highestCategoryIdPlusOne() {
    std::int32_t highest = 0;
    for (const Row& row : rowsOf(*m_categories))
        if (row[0].isInteger())
            highest = std::max(highest, row[0].integer());
    return highest + 1;
}

std::vector<Row> TestCookbook::rowsOf(Table& table) {
    std::vector<Row> rows;
    table.setFiltered(false);
    for (; !table.eof(); table.next()) {
        Row row;
        for (const FieldDefinition& field : table.fields())
            row.push_back(table.fieldByName(field.name));
        rows.push_back(std::move(row));
    }
    table.setFiltered(false);
    return rows;
}

std::vector<Row> TestCookbook::rowsInFile(const QString& fileName) const {
    if (!fileExists(fileName))
        return {};
    TableDefinition definition =
        fileName == categoriesFileName ? categoriesTableDefinition() : recipesTableDefinition();
    auto table = tableInFolder(definitionWith(definition, {}), m_folder.path(), fileName);
    auto rows = rowsOf(*table);
    // Closing an unchanged table writes nothing.
    table->close();
    return rows;
}

bool TestCookbook::fileExists(const QString& fileName) const {
    return QFile::exists(m_folder.filePath(fileName));
}

Row categoryRow(std::int32_t id, std::int32_t subId, const QString& name) {
    return {Value::integer(id), Value::integer(subId), Value::text(name)};
}

std::optional<Row> findRow(const std::vector<Row>& rows, std::size_t fieldIndex,
                           const QString& text) {
    for (const Row& row : rows)
        if (row.at(fieldIndex).isText() && row.at(fieldIndex).toQString() == text)
            return row;
    return std::nullopt;
}

QString textOf(const Value& value) {
    return value.isText() ? value.toQString() : QStringLiteral("<null>");
}

} // namespace savrona::testing
