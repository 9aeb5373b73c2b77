#pragma once

// Writing recipes in the MealMaster format.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>

#include <vector>

class QIODevice;

namespace savrona {

// Writes recipes as MealMaster recipes in the "MMMMM" framing, UTF-8, lines
// ended by CR LF: the title, the category and the yield in the header, the
// ingredients one to a line in one column (amount, unit and text where a
// line has that form), and the preparation as paragraphs, a line that
// follows another marked with ":" as the format asks. The notes become a
// last paragraph "Source: ...". The MealMaster reader gives back the same
// texts, within the limits told in docs/import-export.md.
class MealMasterWriter {
public:
    // Throws Error when the device refuses the bytes.
    static void write(QIODevice& device, const std::vector<RecipeEntry>& recipes);
    static QByteArray recipeText(const RecipeEntry& recipe);
    // Appends the recipe's text to text.
    static void appendRecipeText(QByteArray& text, const RecipeEntry& recipe);
};

} // namespace savrona
