#pragma once

// Recipes in a page's schema.org microdata.

#include "cookbook/exchange/formats/html/HtmlTree.h"
#include "cookbook/exchange/formats/html/PageRecipe.h"

#include <vector>

namespace savrona::html {

// Reads every item whose itemtype ends in "/Recipe" (schema.org's, or
// data-vocabulary.org's of old), in page order. Of an item, the properties
// its descendants carry in itemprop, not those of items nested in it:
// name; recipeIngredient (ingredients, ingredient); recipeInstructions
// (instructions) as text, or as nested HowToStep items (text, and name as
// its heading) and HowToSection items (name, and the steps in
// itemListElement or step); recipeYield (yield); recipeCategory; image
// (photo), an address or a nested ImageObject; url.
class MicrodataRecipes {
public:
    static std::vector<PageRecipe> read(const xmlNode* root);
};

} // namespace savrona::html
