#pragma once

// A recipe as a page's markup (microdata, a microformat) gives it, and the values its
// elements hold.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "cookbook/exchange/formats/html/HtmlTree.h"

#include <QString>
#include <QStringList>

namespace savrona::html {

// The parts of a recipe read from a page's elements, every text already
// plain (see HtmlText).
struct PageRecipe {
    qint64 line = 1; // where its element begins
    QString name;
    QStringList categories; // a text may list several, separated by commas
    QStringList ingredients;
    QStringList steps; // headings on lines of their own, sections after an empty line
    QString yield;
    QString image;   // as the page writes it, maybe relative to the page
    QString address; // the recipe's own

    // The entry it becomes: lines joined with CR LF, empty fields left out.
    RecipeEntry entry(const QString& fileName) const;
    // Adds a section's name as a heading, after an empty line when steps
    // come before it.
    void addSectionHeading(const QString& heading);
};

// The plain lines an element shows (a <meta>: its content).
QStringList shownLines(const xmlNode* element);
// The same on one line.
QString shownText(const xmlNode* element);
// The address an element links to: a link's href, an image's src (or the
// one a lazy-loading page keeps aside while src holds a placeholder), a
// <meta>'s content, an <object>'s data; else the text it shows.
QString linkedAddress(const xmlNode* element);
// The words of a space-separated attribute (class, itemprop, rel).
QStringList attributeWords(const xmlNode* element, const char* name);

} // namespace savrona::html
