#pragma once

// Reading the recipes of a web page, whichever of the usual forms it gives them in.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace savrona {

class ImportProgress;

// Reads a page's recipes from its schema.org JSON-LD (see RecipeJsonReader);
// from its schema.org microdata when it has none there, and from its
// h-recipe microformat when it has neither. The page is parsed by libxml2's
// HTML parser, as browsers parse it; one larger than largestParsedPage is
// only searched for its JSON-LD.
//
// Each recipe's notes are the page's own address where it is known (its
// canonical link, its og:url, or the address it was fetched from), else what
// the recipe names as its address or source; its picture's address is made
// absolute against the page. A script that is not readable is a remark when
// the page gave recipes from its others.
class RecipePageReader {
public:
    static constexpr qsizetype largestParsedPage = 32 * 1024 * 1024;

    // fileName names the page in the problems; fetchedFrom is the address the
    // page was fetched from, empty for a saved page. progress, when given, is
    // checked for a cancel (throws ImportCancelled).
    static RecipeBatch read(QByteArray bytes, const QString& fileName,
                            const QUrl& fetchedFrom = QUrl(), ImportProgress* progress = nullptr);
};

} // namespace savrona
