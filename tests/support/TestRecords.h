#pragma once

// The categories and recipes a test puts into a cookbook, written as the
// rows of the two tables.

#include "data/Value.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace savrona::testing {

// A missing ID is stored as null.
struct CategoryRecord {
    std::optional<std::int32_t> id;
    QString name;
};

// A missing ID, category, title or picture is stored as null; servings and
// notes always are.
struct RecipeRecord {
    std::optional<std::int32_t> id;
    std::optional<std::int32_t> categoryId;
    std::optional<QString> title;
    QString ingredients;
    QString preparation;
    std::optional<QString> picture = std::nullopt;
};

// The rows of the categories table (ID, SubID 0, Category) and of the
// recipes table, in the order given.
std::vector<Row> categoryTableRows(const std::vector<CategoryRecord>& categories);
std::vector<Row> recipeTableRows(const std::vector<RecipeRecord>& recipes);

} // namespace savrona::testing
