#pragma once

// A term of a query as the search index compares it: word numbers instead of words.

#include "cookbook/search/BitSet.h"
#include "cookbook/search/SearchVocabulary.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace savrona {

// One word of a term: a single word number, or, for a word still being typed,
// every word that starts with it.
class WordMatcher {
public:
    static WordMatcher exact(std::optional<std::uint32_t> number);
    static WordMatcher prefix(std::span<const std::uint32_t> numbers, std::size_t vocabularySize);

    bool matches(std::uint32_t number) const {
        return m_isPrefix ? m_members.test(number) : (!m_numbers.empty() && number == m_numbers[0]);
    }
    bool matchesNothing() const { return m_numbers.empty(); }
    bool isSameWordAs(const WordMatcher& other) const;
    // Adds every recipe holding a matching word (in its title only, if so asked).
    void addRecipesTo(BitSet& recipes, const SearchVocabulary& vocabulary, bool inTitle) const;
    // For a single word, its number as RecipeWords codes it; else nothing.
    std::vector<std::uint8_t> code() const;

private:
    std::vector<std::uint32_t> m_numbers; // at most one unless a prefix
    BitSet m_members;                     // for a prefix: a bit per word number
    bool m_isPrefix = false;
};

// The words of a term, to be found one right after another in a recipe's
// word numbers (coded as RecipeWords codes them); a single word is found
// anywhere. The search steps through the text once (Knuth-Morris-Pratt),
// however the words repeat.
class WordPattern {
public:
    explicit WordPattern(std::vector<WordMatcher> words);

    bool occursIn(std::span<const std::uint8_t> codedText) const;
    const std::vector<WordMatcher>& words() const { return m_words; }
    bool matchesNothing() const { return m_matchesNothing; }

private:
    std::vector<WordMatcher> m_words;
    // m_fallback[i]: the length of the longest proper prefix of the first i + 1
    // words that is also their suffix.
    std::vector<std::size_t> m_fallback;
    // The coded first word, when it is a single word: where no part of the
    // pattern has been matched yet, the search skips to the next place this
    // word may start (a byte search, much quicker than reading every word).
    std::vector<std::uint8_t> m_firstCode;
    bool m_matchesNothing = false;
};

} // namespace savrona
