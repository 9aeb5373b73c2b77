#pragma once

// What the printed recipe and the booklets share: their colours, fonts and measures, and
// how a recipe's text is cut into lines.

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

namespace savrona::print {

inline const QColor ink(0x20, 0x20, 0x20);
inline const QColor accent(0xa0, 0x3a, 0x1e); // paprika: headings and the title's rule
inline const QColor quiet(0x70, 0x70, 0x70);  // the running title and the page numbers

// The text layout measures margins, indents and pictures in pixels of 96 per inch and
// scales them to the device.
inline qreal layoutUnits(qreal points) {
    return points * 96.0 / 72.0;
}

QFont serifFont(qreal points, QFont::Weight weight = QFont::Normal);
QFont sansFont(qreal points, QFont::Weight weight = QFont::Normal);
QTextCharFormat characters(const QFont& font, const QColor& colour);

// A box's text line by line, whatever line breaks it holds; blank lines and the blanks
// around each line dropped.
QStringList linesOf(const QString& text);

} // namespace savrona::print
