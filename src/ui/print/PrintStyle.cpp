// The fonts and lines of printed recipes.
#include "ui/print/PrintStyle.h"

#include <QRegularExpression>

namespace savrona::print {

namespace {

QFont printFont(const QString& family, QFont::StyleHint hint, qreal points, QFont::Weight weight) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    font.setWeight(weight);
    // Paper needs the glyphs as designed, not fitted to a screen's pixels.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace

QFont serifFont(qreal points, QFont::Weight weight) {
    return printFont(QStringLiteral("Serif"), QFont::Serif, points, weight);
}

QFont sansFont(qreal points, QFont::Weight weight) {
    return printFont(QStringLiteral("Sans Serif"), QFont::SansSerif, points, weight);
}

QTextCharFormat characters(const QFont& font, const QColor& colour) {
    QTextCharFormat format;
    format.setFont(font);
    format.setForeground(colour);
    return format;
}

QStringList linesOf(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n|\u2028|\u2029"));
    QStringList lines;
    for (const QString& line : text.split(lineBreak)) {
        if (const QString trimmed = line.trimmed(); !trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}

} // namespace savrona::print
