// Strips the preparation note from an item and folds it for comparing.
#include "cookbook/shopping/ItemName.h"

#include "cookbook/WordForms.h"

#include <QStringList>

#include <array>
#include <string_view>

namespace savrona {

namespace {

constexpr std::array<std::u16string_view, 7> trailingNotes = {
    u"to taste",    u"as needed",   u"if needed",     u"optional",
    u"for serving", u"for garnish", u"for decoration"};

QStringView viewOf(std::u16string_view text) {
    return QStringView(text.data(), qsizetype(text.size()));
}

// The text without a note in parentheses at its end; itself when it has none.
QStringView withoutTrailingParentheses(QStringView text) {
    if (!text.endsWith(u')'))
        return text;
    const qsizetype open = text.lastIndexOf(u'(');
    return open > 0 ? text.first(open).trimmed() : text;
}

QStringView withoutTrailingPhrase(QStringView text) {
    for (const std::u16string_view note : trailingNotes) {
        const QStringView phrase = viewOf(note);
        if (text.size() > phrase.size() && text.endsWith(phrase, Qt::CaseInsensitive) &&
            text[text.size() - phrase.size() - 1].isSpace())
            return text.first(text.size() - phrase.size()).trimmed();
    }
    return text;
}

QStringView withoutTrailingPunctuation(QStringView text) {
    while (!text.isEmpty() && (text.back().isPunct() || text.back().isSpace()) &&
           text.back() != u')')
        text.chop(1);
    return text;
}

QString withoutNote(QStringView text) {
    QStringView name = text.trimmed();
    const qsizetype comma = name.indexOf(u',');
    if (comma > 0)
        name = name.first(comma);
    for (QStringView previous; previous != name;) {
        previous = name;
        name = withoutTrailingPunctuation(
            withoutTrailingPhrase(withoutTrailingParentheses(name.trimmed())));
    }
    return name.isEmpty() ? text.trimmed().toString() : name.toString();
}

QString keyOf(const QString& shown) {
    QStringList words = shown.toCaseFolded().simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.size() > 1 && words.front() == u"of")
        words.removeFirst();
    for (QString& word : words)
        word = comparableWord(word);
    return words.join(u' ');
}

} // namespace

ItemName::ItemName(QStringView text) : m_shown(withoutNote(text)), m_key(keyOf(m_shown)) {}

} // namespace savrona
