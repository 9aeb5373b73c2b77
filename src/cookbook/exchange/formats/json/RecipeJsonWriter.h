#pragma once

// Writing recipes as schema.org Recipe JSON-LD.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QJsonObject>

#include <vector>

class QIODevice;

namespace savrona {

// Writes a JSON array of schema.org Recipe objects, one object at a time:
// name, recipeCategory, recipeIngredient (one text a line),
// recipeInstructions (a HowToStep a line, or one text when the preparation
// holds empty lines, which steps cannot), recipeYield, and the notes as
// isBasedOn. The JSON reader gives back exactly the same texts.
class RecipeJsonWriter {
public:
    // Throws Error when the device refuses the bytes.
    static void write(QIODevice& device, const std::vector<RecipeEntry>& recipes);
    static QJsonObject recipeObject(const RecipeEntry& recipe);
    // Appends the recipe's object as the array holds it, without the line
    // break after it.
    static void appendRecipeJson(QByteArray& text, const RecipeEntry& recipe);
};

} // namespace savrona
