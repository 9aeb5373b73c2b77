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
// recipeYield, and the source it is based on or its address as notes.
//
// Texts of a JSON document are taken as they are, so that a file our export
// wrote reads back exactly. Texts from a web page have their HTML entities
// decoded, tags removed and blanks trimmed, as pages write them for HTML.
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
};

} // namespace savrona
