// Folding case and accents for the dictionary order, and the packed sort keys that make
// sorting a large table fast.
#include "data/engine/Collation.h"

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

char asciiLower(char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : byte;
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

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

char32_t foldedCodePoint(char32_t codePoint) {
    if (codePoint < 0x80)
        return static_cast<unsigned char>(asciiLower(static_cast<char>(codePoint)));
    return QChar::toCaseFolded(baseLetter(codePoint));
}

// Decoding through QString turns malformed bytes into U+FFFD; the exact bytes
// still break the tie, so the order stays total.
void appendFolded(std::string& out, const QByteArray& utf8) {
    if (isAscii(utf8)) {
        std::transform(utf8.cbegin(), utf8.cend(), std::back_inserter(out), asciiLower);
        return;
    }
    const QString text = QString::fromUtf8(utf8);
    for (qsizetype index = 0; index < text.size(); ++index) {
        char32_t codePoint = text[index].unicode();
        if (text[index].isHighSurrogate() && index + 1 < text.size() &&
            text[index + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text[index], text[index + 1]);
            ++index;
        }
        appendUtf8(out, foldedCodePoint(codePoint));
    }
}

std::uint64_t bigEndianPrefix(std::string_view bytes) {
    std::uint64_t prefix = 0;
    for (std::size_t index = 0; index < 8; ++index) {
        const unsigned char byte =
            index < bytes.size() ? static_cast<unsigned char>(bytes[index]) : 0;
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

std::string_view viewOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// char_traits<char> compares as unsigned bytes, which for UTF-8 is code point order.
std::strong_ordering compareBytes(std::string_view left, std::string_view right) {
    return left.compare(right) <=> 0;
}

} // namespace

QByteArray foldedForCollation(const QByteArray& utf8) {
    std::string folded;
    appendFolded(folded, utf8);
    return QByteArray(folded.data(), static_cast<qsizetype>(folded.size()));
}

// With room for the rows a session adds: the first insert into a full array
// would copy all of it, and for a moment hold it twice.
void SortKeys::reserve(std::size_t count) {
    m_entries.reserve(count + count / 8);
}

void SortKeys::set(std::size_t index, const Value& value) {
    if (index >= m_entries.size())
        m_entries.resize(index + 1);
    clear(index);
    Entry& entry = m_entries[index];
    if (value.isInteger()) {
        entry.kind = Kind::Integer;
        entry.integer = value.integer();
    } else if (value.isText()) {
        entry.kind = Kind::Text;
        entry.exact = value.utf8();
        entry.foldedOffset = m_foldedTexts.size();
        appendFolded(m_foldedTexts, entry.exact);
        entry.foldedSize = m_foldedTexts.size() - entry.foldedOffset;
        entry.foldedPrefix = bigEndianPrefix(foldedText(entry));
    }
}

void SortKeys::clear(std::size_t index) {
    if (index >= m_entries.size())
        return;
    m_unusedBytes += m_entries[index].foldedSize;
    m_entries[index] = Entry();
    compactWhenWasteful();
}

void SortKeys::keepOnly(const std::vector<bool>& kept) {
    std::size_t next = 0;
    for (std::size_t index = 0; index < m_entries.size(); ++index) {
        const bool keep = index < kept.size() && kept[index];
        if (!keep) {
            m_unusedBytes += m_entries[index].foldedSize;
            continue;
        }
        if (next != index)
            m_entries[next] = std::move(m_entries[index]);
        ++next;
    }
    m_entries.resize(next);
    compactWhenWasteful();
}

std::string_view SortKeys::foldedText(const Entry& entry) const {
    return std::string_view(m_foldedTexts).substr(entry.foldedOffset, entry.foldedSize);
}

void SortKeys::compactWhenWasteful() {
    if (m_unusedBytes < 65536 || m_unusedBytes < m_foldedTexts.size() / 2)
        return;
    std::string compacted;
    compacted.reserve(m_foldedTexts.size() - m_unusedBytes);
    for (Entry& entry : m_entries) {
        const std::string_view text = foldedText(entry);
        entry.foldedOffset = compacted.size();
        compacted.append(text);
    }
    m_foldedTexts = std::move(compacted);
    m_unusedBytes = 0;
}

SortKeys::Chunk SortKeys::chunk(std::size_t index, std::size_t number) const {
    const Entry& entry = m_entries[index];
    switch (entry.kind) {
    case Kind::Null:
        return {0, 0};
    case Kind::Integer:
        // Shifted so that unsigned order is signed order.
        return {1, static_cast<std::uint64_t>(std::int64_t{entry.integer} - INT32_MIN)};
    case Kind::Text:
        break;
    }
    if (number == 0)
        return {2, entry.foldedPrefix};
    const std::string_view folded = foldedText(entry);
    return {2, bigEndianPrefix(folded.substr(std::min(folded.size(), 8 * number)))};
}

bool SortKeys::endsWithin(std::size_t index, std::size_t number) const {
    const Entry& entry = m_entries[index];
    return entry.kind != Kind::Text || entry.foldedSize <= 8 * (number + 1);
}

std::strong_ordering SortKeys::compare(std::size_t left, std::size_t right) const {
    const Entry& leftEntry = m_entries[left];
    const Entry& rightEntry = m_entries[right];
    if (leftEntry.kind != rightEntry.kind)
        return leftEntry.kind <=> rightEntry.kind;
    switch (leftEntry.kind) {
    case Kind::Null:
        return std::strong_ordering::equal;
    case Kind::Integer:
        return leftEntry.integer <=> rightEntry.integer;
    case Kind::Text:
        break;
    }
    if (leftEntry.foldedPrefix != rightEntry.foldedPrefix)
        return leftEntry.foldedPrefix <=> rightEntry.foldedPrefix;
    if (const auto folded = compareBytes(foldedText(leftEntry), foldedText(rightEntry));
        folded != 0)
        return folded;
    return compareBytes(viewOf(leftEntry.exact), viewOf(rightEntry.exact));
}

} // namespace savrona
