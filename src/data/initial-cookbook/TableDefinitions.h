#pragma once

// What the cookbook's two tables hold and the data files they are kept in.

#include "data/engine/Table.h"

namespace savrona {

// The two cookbook tables, open on the initial cookbook.
TableDefinition categoriesTableDefinition(); // "dataSetCategories": ID, SubID, Category
TableDefinition recipesTableDefinition();    // "dataSetRecipes": ID, CategoryID, Title, ...

inline const QString categoriesFileName = QStringLiteral("categories.xml");
inline const QString recipesFileName = QStringLiteral("recipes.xml");

} // namespace savrona
