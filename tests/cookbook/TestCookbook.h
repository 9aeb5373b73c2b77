#pragma once

#include "cookbook/CookbookAccess.h"
#include "data/engine/Table.h"
#include "support/FakeSeams.h"
#include "support/TestRecords.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* stream) {
    *stream << '"' << text.toStdString() << '"';
}

namespace savrona {
inline void PrintTo(const Value& value, std::ostream* stream) {
    if (value.isInteger())
        *stream << value.integer();
    else if (value.isText())
        *stream << '"' << value.utf8().toStdString() << '"';
    else
        *stream << "null";
}
} // namespace savrona

namespace savrona::testing {

// A small cookbook of real tables whose data files live in a scratch folder,
// standing in for the main window. rebuild() closes and reopens both tables
// as the tree rebuild does, which writes a changed table's file.
class TestCookbook : public CookbookAccess {
public:
    TestCookbook(const std::vector<CategoryRecord>& categoryRecords,
                 const std::vector<RecipeRecord>& recipeRecords);
    ~TestCookbook() override;

    Table& categories() override { return *m_categories; }
    Table& recipes() override { return *m_recipes; }
    QString selectedCategoryName() const override { return selectedCategory; }
    QString recipeTitleBoxText() const override { return titleBox; }
    std::int32_t nextCategoryId() const override { return nextCategory; }
    MessageBoxes& messages() override { return messageBoxes; }

    void rebuild();
    // The highest category ID + 1, or 1, as the rebuild computes it.
    std::int32_t highestCategoryIdPlusOne();

    // Every row of a table, in its index order; leaves the filter off.
    static std::vector<Row> rowsOf(Table& table);
    // The rows that a table's data file holds now.
    std::vector<Row> rowsInFile(const QString& fileName) const;
    bool fileExists(const QString& fileName) const;
    QString folder() const { return m_folder.path(); }

    QString selectedCategory;
    QString titleBox;
    std::int32_t nextCategory = 1;
    FakeMessageBoxes messageBoxes;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Table> m_categories;
    std::unique_ptr<Table> m_recipes;
};

// Readable checks of rows.
Row categoryRow(std::int32_t id, std::int32_t subId, const QString& name);
std::optional<Row> findRow(const std::vector<Row>& rows, std::size_t fieldIndex,
                           const QString& text);
QString textOf(const Value& value);

} // namespace savrona::testing
