// Decodes HTML's character references: the named ones by HTML's whole table, the
// numbered ones by the rules browsers follow.
#include "cookbook/exchange/formats/html/HtmlEntities.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace savrona::html {

namespace {

// The longest name of the table has 31 letters.
constexpr qsizetype longestName = 32;
// More digits than any character needs: a longer number is no character.
constexpr qsizetype longestNumber = 8;

// What Windows-1252 has at 0x80 to 0x9F; 0 where it has nothing.
constexpr std::array<char16_t, 32> windows1252C1{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool isAsciiLetterOrDigit(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') ||
           (code >= u'0' && code <= u'9');
}

int digitValue(QChar character, int base) {
    const char16_t code = character.unicode();
    int value = -1;
    if (code >= u'0' && code <= u'9')
        value = code - u'0';
    else if (code >= u'a' && code <= u'f')
        value = code - u'a' + 10;
    else if (code >= u'A' && code <= u'F')
        value = code - u'A' + 10;
    return value < base ? value : -1;
}

const NamedReference* findName(std::string_view name) {
    const std::span<const NamedReference> table = namedReferences();
    const auto found =
        std::lower_bound(table.begin(), table.end(), name,
                         [](const NamedReference& reference, std::string_view wanted) {
                             return reference.name < wanted;
                         });
    return found != table.end() && found->name == name ? &*found : nullptr;
}

void appendCharacter(QString& text, char32_t character) {
    text += QString::fromUcs4(&character, 1);
}

// A reference found at an "&": how far it reaches and what it stands for.
struct Reference {
    qsizetype length = 0;
    QString text;
};

std::optional<Reference> numberedReference(QStringView text, qsizetype at) {
    qsizetype position = at + 2; // past "&#"
    int base = 10;
    if (position < text.size() && (text[position] == u'x' || text[position] == u'X')) {
        base = 16;
        ++position;
    }
    const qsizetype digitsStart = position;
    char32_t value = 0;
    qsizetype significantDigits = 0; // leading zeros aside
    for (; position < text.size() && digitValue(text[position], base) >= 0; ++position) {
        const int digit = digitValue(text[position], base);
        if (value == 0 && digit == 0)
            continue;
        if (++significantDigits <= longestNumber)
            value = value * char32_t(base) + char32_t(digit);
    }
    const bool tooLarge = significantDigits > longestNumber;
    if (position == digitsStart)
        return std::nullopt;
    if (position < text.size() && text[position] == u';')
        ++position;
    Reference reference{position - at, QString()};
    if (tooLarge || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return reference; // no character: it goes, as libxml2 drops it
    if (value >= 0x80 && value <= 0x9F)
        reference.text = QString(QChar(CharacterReferences::fromC1Control(char16_t(value))));
    else
        appendCharacter(reference.text, value);
    return reference;
}

std::optional<Reference> namedReference(QStringView text, qsizetype at) {
    qsizetype end = at + 1;
    while (end < text.size() && end - at <= longestName && isAsciiLetterOrDigit(text[end]))
        ++end;
    const qsizetype nameLength = end - at - 1;
    if (nameLength == 0 || nameLength > longestName)
        return std::nullopt;
    const std::string name = text.sliced(at + 1, nameLength).toLatin1().toStdString();
    const NamedReference* found = findName(name);
    if (found == nullptr)
        return std::nullopt;
    const bool closed = end < text.size() && text[end] == u';';
    // Without its semicolon only an old name, and only where no word goes on.
    if (!closed && (!found->legacy || (end < text.size() && text[end] == u'=')))
        return std::nullopt;
    Reference reference{end - at + (closed ? 1 : 0), QString()};
    appendCharacter(reference.text, found->first);
    if (found->second != 0)
        appendCharacter(reference.text, found->second);
    return reference;
}

} // namespace

char16_t CharacterReferences::fromC1Control(char16_t control) {
    if (control < 0x80 || control > 0x9F)
        return control;
    const char16_t mapped = windows1252C1[control - 0x80];
    return mapped != 0 ? mapped : control;
}

QString CharacterReferences::decoded(QStringView text) {
    QString result;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size();
         at = text.indexOf(u'&', at + 1)) {
        const std::optional<Reference> reference =
            text[at + 1] == u'#' ? numberedReference(text, at) : namedReference(text, at);
        if (!reference)
            continue;
        result += text.sliced(copied, at - copied);
        result += reference->text;
        copied = at + reference->length;
        at = copied - 1;
    }
    if (copied == 0)
        return text.toString();
    result += text.sliced(copied);
    return result;
}

} // namespace savrona::html
