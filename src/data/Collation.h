#pragma once

#include "Value.h"

#include <QByteArray>

#include <compare>
#include <cstdint>

namespace savrona {

// The text with letter case and accents folded away: Latin letters with
// diacritics become their base letter ("É" -> "e"), every letter its case-folded
// form. Pure ASCII takes a byte-wise fast path.
QByteArray foldedForCollation(const QByteArray& utf8);

// The place of one value in the active index's dictionary order: nulls first,
// then integers by value, then texts compared first with case and accents
// folded (so "apple" sits beside "Apple" and "Éclair" among the E's), then by
// exact code points. Computed once per row so that sorting compares cheaply.
class SortKey {
public:
    SortKey() = default; // a null value
    explicit SortKey(const Value& value);

    friend std::strong_ordering operator<=>(const SortKey& left, const SortKey& right);
    friend bool operator==(const SortKey& left, const SortKey& right) {
        return (left <=> right) == std::strong_ordering::equal;
    }

private:
    enum class Kind : std::uint8_t { Null, Integer, Text };

    Kind m_kind = Kind::Null;
    std::int32_t m_integer = 0;
    // The first eight bytes of the folded text, big-endian, so that most
    // comparisons end on one integer comparison.
    std::uint64_t m_foldedPrefix = 0;
    QByteArray m_folded;
    QByteArray m_exact; // shares the row's bytes
};

} // namespace savrona
