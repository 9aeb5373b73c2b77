#pragma once

#include "data/Value.h"

#include <cstdint>

namespace savrona {

// A made-up cookbook of any size, the same for the same arguments: category
// names and recipe titles unique and in no particular order, every recipe
// about 1 KB of text with line breaks and a few characters beyond ASCII.
// Recipes are spread evenly over the categories. Used by the benchmarks and
// by the tool that writes large cookbooks for trying the program out.
struct GeneratedCookbook {
    Packet categories; // ID, SubID, Category
    Packet recipes;    // ID, CategoryID, Title, Ingredients, Preparation, servings, Notes, Picture
};

GeneratedCookbook generateCookbook(int recipeCount, int categoryCount, std::uint32_t seed = 1);

} // namespace savrona
