#pragma once

// Reading import files of any of the known kinds, told apart by their content.

#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QUrl>

namespace savrona {

class ImportProgress;

class RecipeFileReader {
public:
    enum class Format { MealMaster, JsonDocument, WebPage, RecipeText };

    // The kind of a file that begins with these bytes (its first 64 KiB):
    // JSON by its first character, MealMaster by a recipe's first line, a web
    // page by its markup, an exported recipe by its layout; MealMaster when
    // nothing tells.
    static Format formatOf(QByteArrayView start);

    // Reads the files in turn. A file that is no file on disk (a folder, a
    // pipe, a device), is larger than ImportFile::largestFile, cannot be
    // opened, or holds no recipe, is listed as a problem; the others are
    // read all the same. JSON documents, web pages and exported recipes are
    // read whole, MealMaster files a block at a time. Throws ImportCancelled
    // when the user cancels through progress.
    static RecipeBatch read(const QStringList& files, ImportProgress& progress);

    // Reads the recipes of a web page fetched from address, as a saved page
    // is read (see RecipePageReader): the page's own address, else this one,
    // becomes each recipe's notes, and relative picture addresses are
    // resolved against it. Problems name the page by its address. A page
    // larger than ImportFile::largestFile is refused with that problem.
    // progress is only checked for a cancel (throws ImportCancelled): the
    // caller counts the pages.
    static RecipeBatch readPage(QByteArray html, const QUrl& address,
                                ImportProgress* progress = nullptr);
};

} // namespace savrona
