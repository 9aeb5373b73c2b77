#pragma once

// Recipes in a page's h-recipe microformat.

#include "cookbook/exchange/formats/html/HtmlTree.h"
#include "cookbook/exchange/formats/html/PageRecipe.h"

#include <vector>

namespace savrona::html {

// Reads every element of class h-recipe (or hrecipe, the microformat of old
// it replaced), in page order. Of a recipe, the properties its descendants
// carry in their classes, not those inside another microformat nested in
// it: p-name (fn), p-ingredient (ingredient), e-instructions or
// p-instructions (instructions), p-yield (yield), p-category (tag), u-photo
// (photo) and u-url (url).
class MicroformatRecipes {
public:
    static std::vector<PageRecipe> read(const xmlNode* root);
};

} // namespace savrona::html
