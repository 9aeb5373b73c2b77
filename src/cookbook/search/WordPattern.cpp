// Matching a word or a phrase of a query against the word numbers of a recipe.
#include "cookbook/search/WordPattern.h"

#include "cookbook/search/RecipeWords.h"

#include <algorithm>
#include <cstring>

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

void WordMatcher::addRecipesTo(BitSet& recipes, const SearchVocabulary& vocabulary,
                               bool inTitle) const {
    for (const std::uint32_t number : m_numbers)
        (inTitle ? vocabulary.titlesOf(number) : vocabulary.recipesOf(number)).addTo(recipes);
}

std::vector<std::uint8_t> WordMatcher::code() const {
    std::vector<std::uint8_t> coded;
    if (!m_isPrefix && m_numbers.size() == 1)
        RecipeWords::appendNumber(coded, m_numbers.front());
    return coded;
}

WordPattern::WordPattern(std::vector<WordMatcher> words) : m_words(std::move(words)) {
    m_matchesNothing = m_words.empty() ||
                       std::any_of(m_words.begin(), m_words.end(),
                                   [](const WordMatcher& word) { return word.matchesNothing(); });
    if (!m_matchesNothing)
        m_firstCode = m_words.front().code();
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
    const std::uint8_t* const start = codedText.data();
    const std::uint8_t* const end = start + codedText.size();
    const std::uint8_t* position = start;
    while (position < end) {
        if (matched == 0 && !m_firstCode.empty()) {
            const auto* found = static_cast<const std::uint8_t*>(
                std::memchr(position, m_firstCode.front(), std::size_t(end - position)));
            if (found == nullptr)
                return false;
            // The byte found may be inside a longer number: go on after it.
            if (found != start && (found[-1] & 0x80) != 0) {
                while (found < end && (*found & 0x80) != 0)
                    ++found;
                position = found < end ? found + 1 : end;
                continue;
            }
            position = found;
        }
        const std::uint32_t number = RecipeWords::readNumber(position);
        while (matched > 0 && !m_words[matched].matches(number))
            matched = m_fallback[matched - 1];
        if (m_words[matched].matches(number) && ++matched == m_words.size())
            return true;
    }
    return false;
}

} // namespace savrona
