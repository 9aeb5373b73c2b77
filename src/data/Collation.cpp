#include "Collation.h"

#include <QChar>
#include <QList>
#include <QString>

#include <algorithm>
#include <string_view>

namespace savrona {

namespace {

bool isAscii(const QByteArray& utf8) {
    return std::all_of(utf8.cbegin(), utf8.cend(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

QByteArray foldedAscii(const QByteArray& utf8) {
    const bool hasUpperCase = std::any_of(utf8.cbegin(), utf8.cend(),
                                          [](char byte) { return byte >= 'A' && byte <= 'Z'; });
    if (!hasUpperCase)
        return utf8; // shares the bytes
    return utf8.toLower();
}

// Follows canonical decompositions down to the first code point: "ǖ" -> "ü" -> "u".
char32_t baseLetter(char32_t codePoint) {
    while (QChar::decompositionTag(codePoint) == QChar::Canonical) {
        const QString decomposed = QChar::decomposition(codePoint);
        if (decomposed.isEmpty())
            break;
        const auto codePoints = decomposed.toUcs4();
        codePoint = codePoints.front();
    }
    return codePoint;
}

QByteArray foldedUnicode(const QByteArray& utf8) {
    const auto codePoints = QString::fromUtf8(utf8).toUcs4();
    QString folded;
    folded.reserve(codePoints.size());
    for (const char32_t codePoint : codePoints) {
        const char32_t base = QChar::toCaseFolded(baseLetter(codePoint));
        folded.append(QString::fromUcs4(&base, 1));
    }
    return folded.toUtf8();
}

std::uint64_t bigEndianPrefix(const QByteArray& bytes) {
    std::uint64_t prefix = 0;
    const auto length = std::min<qsizetype>(bytes.size(), 8);
    for (qsizetype index = 0; index < 8; ++index) {
        const auto byte = index < length ? static_cast<unsigned char>(bytes[index]) : 0u;
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

std::strong_ordering compareBytes(const QByteArray& left, const QByteArray& right) {
    const std::string_view leftView(left.constData(), static_cast<std::size_t>(left.size()));
    const std::string_view rightView(right.constData(), static_cast<std::size_t>(right.size()));
    // char_traits<char> compares as unsigned bytes, which for UTF-8 is code point order.
    return leftView.compare(rightView) <=> 0;
}

} // namespace

QByteArray foldedForCollation(const QByteArray& utf8) {
    return isAscii(utf8) ? foldedAscii(utf8) : foldedUnicode(utf8);
}

SortKey::SortKey(const Value& value) {
    if (value.isInteger()) {
        m_kind = Kind::Integer;
        m_integer = value.integer();
    } else if (value.isText()) {
        m_kind = Kind::Text;
        m_exact = value.utf8();
        m_folded = foldedForCollation(m_exact);
        m_foldedPrefix = bigEndianPrefix(m_folded);
    }
}

std::strong_ordering operator<=>(const SortKey& left, const SortKey& right) {
    if (left.m_kind != right.m_kind)
        return left.m_kind <=> right.m_kind;
    switch (left.m_kind) {
    case SortKey::Kind::Null:
        return std::strong_ordering::equal;
    case SortKey::Kind::Integer:
        return left.m_integer <=> right.m_integer;
    case SortKey::Kind::Text:
        break;
    }
    if (left.m_foldedPrefix != right.m_foldedPrefix)
        return left.m_foldedPrefix <=> right.m_foldedPrefix;
    if (const auto folded = compareBytes(left.m_folded, right.m_folded); folded != 0)
        return folded;
    return compareBytes(left.m_exact, right.m_exact);
}

} // namespace savrona
