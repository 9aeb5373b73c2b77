// English plurals of the nouns recipes count, by the common rules.
#include "cookbook/card/CountedNoun.h"

#include <QRegularExpression>
#include <QSet>

namespace savrona {

namespace {

// Nouns that name a piece of what follows: the first word is the counted one.
const QSet<QString>& pieceNouns() {
    static const QSet<QString> nouns{
        QStringLiteral("clove"),  QStringLiteral("can"),     QStringLiteral("slice"),
        QStringLiteral("piece"),  QStringLiteral("sprig"),   QStringLiteral("stalk"),
        QStringLiteral("head"),   QStringLiteral("bunch"),   QStringLiteral("stick"),
        QStringLiteral("leaf"),   QStringLiteral("package"), QStringLiteral("jar"),
        QStringLiteral("bottle"), QStringLiteral("bag"),     QStringLiteral("box"),
        QStringLiteral("sheet"),  QStringLiteral("strip"),   QStringLiteral("ear"),
        QStringLiteral("fillet"), QStringLiteral("rib"),     QStringLiteral("loaf")};
    return nouns;
}

bool isVowel(QChar letter) {
    return QStringLiteral("aeiou").contains(letter.toLower());
}

QString singularOf(const QString& word) {
    const QString lower = word.toLower();
    if (lower.endsWith(QStringLiteral("ies")) && word.size() > 4)
        return word.chopped(3) + QStringLiteral("y");
    if (lower.endsWith(QStringLiteral("ves")) && word.size() > 4)
        return word.chopped(3) + QStringLiteral("f");
    for (const char* ending : {"oes", "ches", "shes", "xes", "sses", "zes"})
        if (lower.endsWith(QLatin1String(ending)) && word.size() > int(qstrlen(ending)) + 1)
            return word.chopped(2);
    if (lower.endsWith(u's') && !lower.endsWith(QStringLiteral("ss")) && word.size() > 2)
        return word.chopped(1);
    return word;
}

QString pluralOf(const QString& word) {
    const QString lower = word.toLower();
    if (lower.size() < 2 || lower.endsWith(u's'))
        return word;
    if (lower.endsWith(u'y') && !isVowel(lower.at(lower.size() - 2)))
        return word.chopped(1) + QStringLiteral("ies");
    if (lower == QStringLiteral("leaf") || lower == QStringLiteral("loaf") ||
        lower == QStringLiteral("half"))
        return word.chopped(1) + QStringLiteral("ves");
    if (lower.endsWith(QStringLiteral("ch")) || lower.endsWith(QStringLiteral("sh")) ||
        lower.endsWith(u'x') || lower.endsWith(u'z') ||
        (lower.endsWith(u'o') && !isVowel(lower.at(lower.size() - 2))))
        return word + QStringLiteral("es");
    return word + QStringLiteral("s");
}

} // namespace

QString withCountedNoun(const QString& item, bool plural) {
    static const QRegularExpression headEnd(QStringLiteral("[,(;]| of "));
    static const QRegularExpression wordPattern(QStringLiteral("[A-Za-z]+"));
    const QRegularExpressionMatch end = headEnd.match(item);
    const qsizetype headLength = end.hasMatch() ? end.capturedStart() : item.size();
    QRegularExpressionMatch counted;
    QRegularExpressionMatchIterator words = wordPattern.globalMatch(item.left(headLength));
    bool first = true;
    while (words.hasNext()) {
        const QRegularExpressionMatch word = words.next();
        counted = word;
        if (first && pieceNouns().contains(singularOf(word.captured()).toLower()))
            break;
        first = false;
    }
    if (!counted.hasMatch() || counted.capturedLength() < 3)
        return item;
    const QString word = counted.captured();
    const QString changed = plural ? pluralOf(singularOf(word)) : singularOf(word);
    return item.left(counted.capturedStart()) + changed + item.sliced(counted.capturedEnd());
}

} // namespace savrona
