#pragma once

// Rows written briefly and read back as lines, for the tests of the cookbook merge.

#include "cookbook/sharing/CookbookVersion.h"

#include <map>
#include <string>
#include <vector>

namespace savrona::testing {

inline Row categoryRow(int id, const char* name) {
    return {Value::integer(id), Value::integer(0), Value::text(QByteArray(name))};
}

inline Row recipeRow(int id, int categoryId, const QByteArray& title, const QByteArray& ingredients,
                     const QByteArray& preparation = "Cook.") {
    return {Value::integer(id),
            Value::integer(categoryId),
            Value::text(title),
            Value::text(ingredients),
            Value::text(preparation),
            Value(),
            Value(),
            Value()};
}

inline std::string textOf(const Value& value) {
    if (value.isNull())
        return "-";
    return value.isInteger() ? std::to_string(value.integer()) : value.utf8().toStdString();
}

// "1 Soups" a category; "10 Soups/Onion Soup: 1 onion | Boil." a recipe, by the name of the
// category its CategoryID names ("#7" when none does), its texts up to the last one set.
inline std::vector<std::string> lines(const CookbookRows& rows) {
    std::vector<std::string> lines;
    std::map<std::string, std::string> names;
    for (const Row& row : rows.categories) {
        names[textOf(cell(row, categoryColumn::id))] = textOf(cell(row, categoryColumn::name));
        lines.push_back(textOf(cell(row, categoryColumn::id)) + ' ' +
                        textOf(cell(row, categoryColumn::name)));
    }
    for (const Row& row : rows.recipes) {
        const std::string categoryId = textOf(cell(row, recipeColumn::categoryId));
        const auto name = names.find(categoryId);
        std::string line = textOf(cell(row, recipeColumn::id)) + ' ' +
                           (name != names.end() ? name->second : '#' + categoryId) + '/' +
                           textOf(cell(row, recipeColumn::title)) + ':';
        std::size_t end = recipeColumn::count;
        while (end > recipeColumn::firstText + 2 && cell(row, end - 1).isNull())
            --end;
        for (std::size_t column = recipeColumn::firstText; column < end; ++column)
            line += (column == recipeColumn::firstText ? " " : " | ") + textOf(cell(row, column));
        lines.push_back(line);
    }
    return lines;
}

} // namespace savrona::testing
