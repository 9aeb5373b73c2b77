#pragma once

// Reading the recipes of a MealMaster file, the classic exchange format of recipe
// programs.

#include "cookbook/exchange/formats/ImportFile.h"
#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QString>

class QIODevice;

namespace savrona {

class ImportProgress;

// Reads every MealMaster recipe of a file, in either framing ("MMMMM-----
// Recipe via Meal-Master" ... "MMMMM", or "----------" ... "-----"), and
// skips whatever lies between recipes (mail headers, signatures). Per
// recipe: the title, the categories, the yield, the ingredients in one or two
// columns with their headings and continuation lines, and the directions with
// their paragraphs. Old collections are read as converters wrote them too:
// ingredient columns moved, units in capitals, continuations marked ":"
// (see readIngredientLine), and paragraphs told by indentation alone (see
// indentedParagraphStarts).
//
// Lines are read as UTF-8 when they are, else in the code page the file
// declares before the recipe, else in the one the recipe's bytes suggest:
// code page 437 or Windows-1252 (see CodePageGuess), so that each recipe of
// a collection gathered from many sources is read in its own. The file is
// read a block at a time, so the memory it takes is that of its recipes. A
// recipe without a title, or longer than any recipe can be, is listed as a
// problem with its line and the reading goes on; a file larger than largest
// bytes gives nothing but that problem.
class MealMasterReader {
public:
    // The longest recipe taken, in bytes of text.
    static constexpr qsizetype longestRecipe = 1024 * 1024;

    // From here on a file is read in two halves at once, split where a
    // recipe begins, when the machine has two cores.
    static constexpr qint64 readInHalvesFrom = 8 * 1024 * 1024;

    static RecipeBatch read(QIODevice& device, const QString& fileName,
                            ImportProgress* progress = nullptr,
                            qint64 largest = ImportFile::largestFile);
    // The same for a file on disk (see ImportFile::open); a large one in two
    // halves. Throws ImportCancelled when the user cancels through progress.
    static RecipeBatch readFile(const QString& path, ImportProgress* progress = nullptr,
                                qint64 inHalvesFrom = readInHalvesFrom);
};

} // namespace savrona
