#pragma once

// Reading schema.org Recipe objects: JSON-LD documents, and the ld+json scripts of web
// pages.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QString>

namespace savrona {

// Finds every schema.org Recipe in a JSON-LD document (a single object, an
// array, a "@graph", or nested in other objects such as a page's
// "mainEntity" or an ItemList) and reads its name, recipeCategory,
// recipeIngredient, recipeInstructions (text, HowToStep, HowToSection),
// recipeYield, and the source it is based on or its address as notes.
//
// Texts of a JSON document are taken as they are, so that a file our export
// wrote reads back exactly. Texts from a web page have their HTML entities
// decoded, tags removed and blanks trimmed, as pages write them for HTML.
// The document is read whole by Qt's JSON parser, which refuses nesting
// deeper than it can handle; the caller bounds the size.
class RecipeJsonReader {
public:
    // A .json file.
    static RecipeBatch readDocument(const QByteArray& bytes, const QString& fileName);
    // An HTML page: each <script type="application/ld+json"> is read on its own.
    static RecipeBatch readPage(const QByteArray& bytes, const QString& fileName);
};

} // namespace savrona
