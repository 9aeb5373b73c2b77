#pragma once

// The folded words of many recipes in order, coded compactly, with the recipes each
// word occurs in.

#include "cookbook/search/SearchVocabulary.h"
#include "cookbook/search/TextFolding.h"
#include "data/Value.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
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
    // Numbers the words of another store the same here, before any recipe is
    // added: a second thread then codes the words common to both halves of
    // the recipes as the first does, and they need no new code when joined.
    void startWithWordsOf(const RecipeWords& other);
    // Takes over the recipes of another store, numbered `offset` higher and
    // placed after these: what a second thread built for the second half of
    // the recipes. places are the other store's, in the order added, and
    // are moved to where their words are here (their codes may grow or
    // shrink). other is left without its recipes' lists.
    void append(RecipeWords&& other, std::uint32_t offset, std::span<Place> places);

    std::span<const std::uint8_t> bytesOf(const Place& place) const {
        return {m_bytes.data() + place.first, place.bytes};
    }
    std::span<const std::uint8_t> titleBytesOf(const Place& place) const {
        return {m_bytes.data() + place.first, place.titleBytes};
    }

    SearchVocabulary& vocabulary() { return m_vocabulary; }
    const SearchVocabulary& vocabulary() const { return m_vocabulary; }
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
    // Copying the bytes to a fitting place is worth it only for much room unused.
    void shrinkToFit() {
        if (m_bytes.capacity() - m_bytes.size() > m_bytes.size() / 8)
            m_bytes.shrink_to_fit();
    }
    // Lets go of the lines kept while adding: done after a batch of recipes.
    void forgetRepeatedLines() { m_repeatedLines.clear(); }
    std::size_t bytes() const {
        return m_bytes.capacity() + m_vocabulary.bytes() + m_repeatedLines.bytes();
    }
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
    // Appends the codes of from..end of another store, numbered anew.
    void recode(const std::uint8_t* from, const std::uint8_t* end,
                const std::vector<std::uint32_t>& numbers, std::uint32_t sharedWords);

    // Ingredient lines and steps repeat across a cookbook ("1 tsp salt",
    // "Season to taste."): the word numbers of short lines are kept, by their
    // bytes, while recipes are added, so that a line met again is neither
    // folded nor looked up word by word. Lines are kept until the table is
    // full, which bounds its memory, and let go after a batch of recipes.
    class RepeatedLines {
    public:
        static constexpr std::size_t longestLine = 96;
        struct Kept {
            std::span<const std::uint32_t> numbers;
            std::span<const std::uint8_t> codes;
        };
        // The words of line as numbers and coded, or none when not kept.
        std::optional<Kept> find(std::string_view line, std::uint64_t hash) const;
        void keep(std::string_view line, std::uint64_t hash, std::span<const std::uint32_t> numbers,
                  std::span<const std::uint8_t> codes);
        static std::uint64_t hashOf(std::string_view line);
        // Where the line starting at from ends: at its line feed or the text's end.
        static std::size_t lineEnd(std::string_view text, std::size_t from);
        void clear();
        std::size_t bytes() const;

    private:
        struct Slot {
            std::uint64_t hash = 0;
            std::uint32_t line = 0;   // in m_lines
            std::uint16_t length = 0; // one more than the line's, 0 for an empty slot
        };
        struct Line {
            std::uint32_t textAt = 0;
            std::uint32_t numbersAt = 0;
            std::uint32_t codesAt = 0;
            std::uint16_t wordCount = 0;
            std::uint16_t codeBytes = 0;
        };
        // Kept at most half full; small while few lines are kept, so that it
        // stays in the cache.
        static constexpr std::size_t mostSlots = 1 << 15;
        // No line is kept farther from its hash's slot, so that many lines
        // alike cost a few probes, not a walk of the table.
        static constexpr std::size_t farthestProbe = 16;
        void grow();
        std::vector<Slot> m_slots;
        std::vector<Line> m_lines;
        std::string m_text;
        std::vector<std::uint32_t> m_numbers;
        std::vector<std::uint8_t> m_codes;
    };

    void addLine(std::uint32_t recipe, std::string_view line, bool isTitle);
    // Once for every word of every recipe: kept inline. A word met again in
    // the same recipe changes no list (see PostingList::add).
    [[gnu::always_inline]] void addRecipeTo(std::uint32_t recipe, std::uint32_t number,
                                            bool isTitle) {
        m_vocabulary.recipesOf(number).add(recipe);
        if (isTitle)
            m_vocabulary.titlesOf(number).add(recipe);
    }

    TextFolder m_folder;
    RepeatedLines m_repeatedLines;
    std::vector<std::uint32_t> m_lineNumbers; // of the line being added
    SearchVocabulary m_vocabulary;
    std::vector<std::uint8_t> m_bytes;
    // Words numbered as in the store this one started with.
    std::uint32_t m_sharedWords = 1;
};

} // namespace savrona
