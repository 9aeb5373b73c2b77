#pragma once

// The field names of the two cookbook tables, as the commands read and write them.

#include <QString>

namespace savrona::field {

inline const QString id = QStringLiteral("ID");
inline const QString category = QStringLiteral("Category");
inline const QString categoryId = QStringLiteral("CategoryID");
inline const QString title = QStringLiteral("Title");
inline const QString ingredients = QStringLiteral("Ingredients");
inline const QString preparation = QStringLiteral("Preparation");
inline const QString servings = QStringLiteral("servings");
inline const QString notes = QStringLiteral("Notes");
inline const QString picture = QStringLiteral("Picture");

} // namespace savrona::field
