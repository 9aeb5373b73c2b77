#pragma once

// Reading the text files that "Export recipe to file" writes.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace savrona {

class ImportProgress;

// Reads recipes exported one to a file by "Export recipe to file" (several
// such texts one after another are read too): an empty line, the category,
// the title, an empty line, a line of 50 hyphens, an empty line, the
// ingredients, an empty line, the preparation, an empty line, the hyphens,
// "Recipe exported by ..." and the web address.
//
// The layout does not say where the ingredients end when they hold an empty
// line themselves; the first empty line after the first ingredient line is
// taken as the end. The text is read line by line where it lies, so that
// any number of lines takes little more memory than the text.
class RecipeTextReader {
public:
    // Whether a file beginning with these bytes has the layout.
    static bool hasLayout(QByteArrayView start);
    // progress, when given, is checked for a cancel every so many lines
    // (throws ImportCancelled).
    static RecipeBatch read(QByteArray bytes, const QString& fileName,
                            ImportProgress* progress = nullptr);
};

} // namespace savrona
