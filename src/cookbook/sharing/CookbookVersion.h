#pragma once

// One version of the cookbook as the sharing merge reads and writes it: the rows of both
// tables in their field order, and who wrote it.

#include "data/Value.h"

#include <QString>

#include <cstddef>
#include <vector>

namespace savrona {

// The field positions of the rows; a row shorter than its table reads as null beyond its end.
namespace categoryColumn {
inline constexpr std::size_t id = 0;
inline constexpr std::size_t subId = 1;
inline constexpr std::size_t name = 2;
inline constexpr std::size_t count = 3;
} // namespace categoryColumn

namespace recipeColumn {
inline constexpr std::size_t id = 0;
inline constexpr std::size_t categoryId = 1;
inline constexpr std::size_t title = 2;
inline constexpr std::size_t firstText = 3; // Ingredients, Preparation, servings, Notes, Picture
inline constexpr std::size_t count = 8;
} // namespace recipeColumn

inline const Value& cell(const Row& row, std::size_t column) {
    static const Value null;
    return column < row.size() ? row[column] : null;
}

struct CookbookRows {
    std::vector<Row> categories; // ID, SubID, Category
    std::vector<Row> recipes; // ID, CategoryID, Title, Ingredients, Preparation, servings, Notes,
                              // Picture

    bool operator==(const CookbookRows&) const = default;
};

// A version as one computer wrote it; the origin (its name and the time, say) names the
// copies the merge makes of its recipes.
struct CookbookVersion {
    CookbookRows rows;
    QString origin;
};

} // namespace savrona
