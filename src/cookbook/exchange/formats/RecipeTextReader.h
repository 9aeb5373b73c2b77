#pragma once

// Reading the text files that "Export recipe to file" writes.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace savrona {

// Reads recipes exported one to a file by "Export recipe to file" (several
// such texts one after another are read too): an empty line, the category,
// the title, an empty line, a line of 50 hyphens, an empty line, the
// ingredients, an empty line, the preparation, an empty line, the hyphens,
// "Recipe exported by ..." and the web address.
//
// The layout does not say where the ingredients end when they hold an empty
// line themselves; the first empty line after the first ingredient line is
// taken as the end.
class RecipeTextReader {
public:
    // Whether a file beginning with these bytes has the layout.
    static bool hasLayout(QByteArrayView start);
    static RecipeBatch read(const QByteArray& bytes, const QString& fileName);
};

} // namespace savrona
