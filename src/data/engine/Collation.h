#pragma once

// The dictionary order in which a table's rows are sorted by their index field.

#include "data/Value.h"

#include <QByteArray>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace savrona {

// The text with letter case and accents folded away: Latin letters with
// diacritics become their base letter ("É" -> "e"), every letter its case-folded
// form. Pure ASCII takes a byte-wise fast path.
QByteArray foldedForCollation(const QByteArray& utf8);

// The sort keys of a table's index values, numbered like the table's rows, in
// dictionary order: nulls first, then integers by value, then texts compared
// first with case and accents folded (so "apple" sits beside "Apple" and
// "Éclair" among the E's), then by exact code points.
//
// Folded texts are computed once and kept side by side in one buffer, so that
// sorting a large table compares within a few megabytes instead of chasing
// every row's text across the heap.
class SortKeys {
public:
    std::size_t size() const { return m_entries.size(); }
    void reserve(std::size_t count);

    // Sets the key of number `index` (growing the set as needed).
    void set(std::size_t index, const Value& value);
    void clear(std::size_t index);
    // Keeps the keys whose flag is set, numbered anew from 0 in their order.
    void keepOnly(const std::vector<bool>& kept);

    std::strong_ordering compare(std::size_t left, std::size_t right) const;

    // For sorting many keys eight folded bytes at a time: among keys whose
    // folded texts agree in their first 8 x number bytes, chunk `number`
    // orders as compare() does wherever it differs. Chunk 0 also orders
    // nulls, integers and texts.
    struct Chunk {
        std::uint8_t kind;
        std::uint64_t bytes;
        auto operator<=>(const Chunk&) const = default;
    };
    Chunk chunk(std::size_t index, std::size_t number) const;
    // True when chunks up to `number` hold the whole key.
    bool endsWithin(std::size_t index, std::size_t number) const;

private:
    enum class Kind : std::uint8_t { Null, Integer, Text };

    struct Entry {
        Kind kind = Kind::Null;
        std::int32_t integer = 0;
        // The first eight bytes of the folded text, big-endian, so that most
        // comparisons end on one integer comparison.
        std::uint64_t foldedPrefix = 0;
        std::size_t foldedOffset = 0;
        std::size_t foldedSize = 0;
        QByteArray exact; // shares the row's bytes
    };

    std::string_view foldedText(const Entry& entry) const;
    void compactWhenWasteful();

    std::vector<Entry> m_entries;
    std::string m_foldedTexts;
    std::size_t m_unusedBytes = 0; // of texts replaced or cleared
};

} // namespace savrona
