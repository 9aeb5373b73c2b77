#include "support/TestRecords.h"

namespace savrona::testing {

namespace {

Value integerOrNull(const std::optional<std::int32_t>& number) {
    return number ? Value::integer(*number) : Value();
}

Value textOrNull(const std::optional<QString>& text) {
    return text ? Value::text(*text) : Value();
}

} // namespace

std::vector<Row> categoryTableRows(const std::vector<CategoryRecord>& categories) {
    std::vector<Row> rows;
    for (const CategoryRecord& category : categories)
        rows.push_back({integerOrNull(category.id), Value::integer(0), Value::text(category.name)});
    return rows;
}

std::vector<Row> recipeTableRows(const std::vector<RecipeRecord>& recipes) {
    std::vector<Row> rows;
    for (const RecipeRecord& recipe : recipes)
        rows.push_back({integerOrNull(recipe.id), integerOrNull(recipe.categoryId),
                        textOrNull(recipe.title), Value::text(recipe.ingredients),
                        Value::text(recipe.preparation), Value(), Value(),
                        textOrNull(recipe.picture)});
    return rows;
}

} // namespace savrona::testing
