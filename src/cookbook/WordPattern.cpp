// Matching a word or a phrase of a query against the word numbers of a recipe.
#include "WordPattern.h"

#include "RecipeWords.h"

#include <algorithm>

namespace savrona {

WordMatcher WordMatcher::exact(std::optional<std::uint32_t> number) {
    WordMatcher matcher;
    if (number)
        matcher.m_numbers.push_back(*number);
    return matcher;
}

WordMatcher WordMatcher::prefix(std::span<const std::uint32_t> numbers,
                                std::size_t vocabularySize) {
    WordMatcher matcher;
    matcher.m_isPrefix = true;
    matcher.m_numbers.assign(numbers.begin(), numbers.end());
    matcher.m_members = BitSet(vocabularySize);
    for (const std::uint32_t number : numbers)
        matcher.m_members.set(number);
    return matcher;
}

bool WordMatcher::isSameWordAs(const WordMatcher& other) const {
    return !m_isPrefix && !other.m_isPrefix && m_numbers == other.m_numbers;
}

void WordMatcher::addRecipesTo(BitSet& recipes, const SearchVocabulary& vocabulary) const {
    for (const std::uint32_t number : m_numbers)
        vocabulary.recipesOf(number).addTo(recipes);
}

WordPattern::WordPattern(std::vector<WordMatcher> words) : m_words(std::move(words)) {
    m_matchesNothing = m_words.empty() ||
                       std::any_of(m_words.begin(), m_words.end(),
                                   [](const WordMatcher& word) { return word.matchesNothing(); });
    // Only a full match ever compares the last word; the fallbacks need the rest,
    // which are exact words.
    m_fallback.assign(m_words.size(), 0);
    for (std::size_t index = 1; index + 1 < m_words.size(); ++index) {
        std::size_t length = m_fallback[index - 1];
        while (length > 0 && !m_words[index].isSameWordAs(m_words[length]))
            length = m_fallback[length - 1];
        if (m_words[index].isSameWordAs(m_words[length]))
            ++length;
        m_fallback[index] = length;
    }
}

bool WordPattern::occursIn(std::span<const std::uint8_t> codedText) const {
    if (m_matchesNothing || codedText.size() < m_words.size())
        return false;
    std::size_t matched = 0;
    const std::uint8_t* position = codedText.data();
    const std::uint8_t* const end = position + codedText.size();
    while (position < end) {
        const std::uint32_t number = RecipeWords::readNumber(position);
        while (matched > 0 && !m_words[matched].matches(number))
            matched = m_fallback[matched - 1];
        if (m_words[matched].matches(number) && ++matched == m_words.size())
            return true;
    }
    return false;
}

} // namespace savrona
