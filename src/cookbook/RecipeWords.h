#pragma once

// The folded words of many recipes in order, coded compactly, with the recipes each
// word occurs in.

#include "SearchVocabulary.h"
#include "TextFolding.h"
#include "Value.h"

#include <cstdint>
#include <span>
#include <vector>

namespace savrona {

// Each recipe's words as word numbers of the vocabulary, in the order of its
// title, ingredients and preparation, with SearchVocabulary::noWord between
// two fields so that no phrase spans them. Numbers take one byte below 128,
// two below 16,384 and so on (seven bits a byte, the high bit saying more
// follows): the common words of a cookbook are met early and take one byte.
class RecipeWords {
public:
    struct Place {
        std::uint64_t first = 0; // first byte
        std::uint32_t titleBytes = 0;
        std::uint32_t bytes = 0;
    };

    // Adds the words of recipe number `recipe`, which is above every number
    // added before.
    Place add(std::uint32_t recipe, const Value& title, const Value& ingredients,
              const Value& preparation);
    // Takes over the recipes of another store, numbered `offset` higher and
    // placed after these: what a second thread built for the second half of
    // the recipes. Returns how far its places move.
    std::uint64_t append(const RecipeWords& other, std::uint32_t offset);

    std::span<const std::uint8_t> bytesOf(const Place& place) const {
        return {m_bytes.data() + place.first, place.bytes};
    }
    std::span<const std::uint8_t> titleBytesOf(const Place& place) const {
        return {m_bytes.data() + place.first, place.titleBytes};
    }

    SearchVocabulary& vocabulary() { return m_vocabulary; }
    const SearchVocabulary& vocabulary() const { return m_vocabulary; }
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
    void shrinkToFit() { m_bytes.shrink_to_fit(); }
    std::size_t bytes() const { return m_bytes.capacity() + m_vocabulary.bytes(); }
    std::size_t codedBytes() const { return m_bytes.size(); }

    static void appendNumber(std::vector<std::uint8_t>& out, std::uint32_t number) {
        while (number >= 0x80) {
            out.push_back(static_cast<std::uint8_t>(number | 0x80));
            number >>= 7;
        }
        out.push_back(static_cast<std::uint8_t>(number));
    }
    // Reads the number at position and moves past it.
    static std::uint32_t readNumber(const std::uint8_t*& position) {
        std::uint32_t number = *position & 0x7F;
        for (unsigned shift = 7; *position++ & 0x80; shift += 7)
            number |= std::uint32_t(*position & 0x7F) << shift;
        return number;
    }

private:
    void addWords(std::uint32_t recipe, const Value& text, bool isTitle);

    TextFolder m_folder;
    SearchVocabulary m_vocabulary;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace savrona
