#pragma once

// Plain text from the HTML that web pages put in their recipes' texts.

#include <QString>
#include <QStringList>

namespace savrona::html {

// Turns a text that a page writes as HTML into plain lines: its markup is
// read by libxml2's HTML parser (tags go, <br> and blocks such as <p> and
// <li> end lines, <script> and <style> go with their content), every
// character reference is decoded, and what still reads as markup after that
// (entities encoded twice, "&amp;eacute;", tags written as entities,
// "&lt;p&gt;") is read again, a few rounds at most; a tag still left then is
// taken out as text. The line breaks of the text itself end lines too, as
// JSON values carry them. Blanks of every kind are put to one, the
// invisible characters (zero-width blanks, soft hyphens, the byte order
// mark) and control characters taken out, C1 controls read as the
// Windows-1252 characters pages meant by them, and empty lines dropped: no
// markup, no entity and no stray blank reaches a recipe.
class HtmlText {
public:
    static QStringList lines(const QString& markup);
    // The lines joined by one blank: for a title, a name, a yield.
    static QString line(const QString& markup);
};

} // namespace savrona::html
