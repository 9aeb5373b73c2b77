#pragma once

// The filter expressions by which records are found. Names and titles
// are quoted with every apostrophe doubled, so any text finds exactly its own
// record: "Grandma's Pie", "O'", "Cake*" and "a = 'b' OR 1 = 1" included.

#include <QString>

#include <cstdint>

namespace savrona::lookup {

QString categoryByName(const QString& name);
QString categoryById(std::int32_t id);
QString recipesOfCategory(std::int32_t categoryId);
QString recipeByTitle(const QString& title);
QString recipeById(std::int32_t id);

} // namespace savrona::lookup
