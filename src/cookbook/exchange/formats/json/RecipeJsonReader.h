#pragma once

// Reading schema.org Recipe objects: JSON-LD documents, and the ld+json scripts of web
// pages.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "cookbook/exchange/formats/json/JsonPieces.h"

#include <QByteArray>
#include <QString>

namespace savrona {

class ImportProgress;

// Finds every schema.org Recipe in a JSON-LD document (a single object, an
// array, a "@graph", or nested in other objects such as a page's
// "mainEntity" or an ItemList) and reads its name, recipeCategory,
// recipeIngredient, recipeInstructions (text, HowToStep, HowToSection),
// recipeYield, the source it is based on or its address as notes, and the
// address of its image as its picture.
//
// Texts of a JSON document are taken as they are, so that a file our export
// wrote reads back exactly. Texts from a web page are cleaned of their HTML
// (see html::HtmlText), as pages write them for HTML, and the page's JSON is
// taken as loosely as pages write it (see LenientJson). A HowToStep's name
// is kept on a line before its text where it is more than the start of the
// text; a HowToSection's name is a heading before its steps.
// The document is read by Qt's JSON parser, which refuses nesting deeper
// than it can handle; a document larger than wholeUpTo a piece at a time
// (see JsonPieces), so that it is never held parsed whole and the reading
// can stop between pieces. A Recipe larger than JsonPieces::largestPiece is
// left out. The caller bounds the size of the file.
class RecipeJsonReader {
public:
    // A .json file. progress, when given, is checked for a cancel between
    // pieces (throws ImportCancelled).
    static RecipeBatch readDocument(QByteArray bytes, const QString& fileName,
                                    ImportProgress* progress = nullptr,
                                    qsizetype wholeUpTo = JsonPieces::parsedWholeUpTo);
    // An HTML page: each <script type="application/ld+json"> is read on its own.
    static RecipeBatch readPage(QByteArray bytes, const QString& fileName,
                                ImportProgress* progress = nullptr,
                                qsizetype wholeUpTo = JsonPieces::parsedWholeUpTo);

    // What the ld+json scripts of a page gave: the recipes and the problems,
    // and how many Recipe objects were found (those left out included).
    struct PageScripts {
        RecipeBatch batch;
        int recipesFound = 0;
    };
    // The same for a page already in UTF-8, without a problem for a page
    // without any recipe: the page may hold its recipe in other forms.
    static PageScripts readScripts(const QByteArray& page, const QString& fileName,
                                   ImportProgress* progress = nullptr,
                                   qsizetype wholeUpTo = JsonPieces::parsedWholeUpTo);
};

} // namespace savrona
