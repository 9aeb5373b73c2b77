// Adding a recipe's words, and joining what two threads built.
#include "RecipeWords.h"

namespace savrona {

RecipeWords::Place RecipeWords::add(std::uint32_t recipe, const Value& title,
                                    const Value& ingredients, const Value& preparation) {
    Place place;
    place.first = m_bytes.size();
    addWords(recipe, title, true);
    place.titleBytes = static_cast<std::uint32_t>(m_bytes.size() - place.first);
    m_bytes.push_back(SearchVocabulary::noWord);
    addWords(recipe, ingredients, false);
    m_bytes.push_back(SearchVocabulary::noWord);
    addWords(recipe, preparation, false);
    place.bytes = static_cast<std::uint32_t>(m_bytes.size() - place.first);
    return place;
}

void RecipeWords::addWords(std::uint32_t recipe, const Value& text, bool isTitle) {
    if (!text.isText())
        return;
    const QByteArray& utf8 = text.utf8();
    m_folder.forEachWord(std::string_view(utf8.constData(), std::size_t(utf8.size())),
                         [&](std::string_view word, std::uint64_t head) {
                             const std::uint32_t number = m_vocabulary.add(word, head);
                             appendNumber(m_bytes, number);
                             m_vocabulary.recipesOf(number).add(recipe);
                             if (isTitle)
                                 m_vocabulary.titlesOf(number).add(recipe);
                         });
}

std::uint64_t RecipeWords::append(const RecipeWords& other, std::uint32_t offset) {
    const SearchVocabulary& words = other.m_vocabulary;
    std::vector<std::uint32_t> numbers(words.size(), SearchVocabulary::noWord);
    for (std::uint32_t number = 1; number < words.size(); ++number) {
        numbers[number] = m_vocabulary.add(words.word(number));
        PostingList& recipes = m_vocabulary.recipesOf(numbers[number]);
        words.recipesOf(number).forEach(
            [&](std::uint32_t recipe) { recipes.add(recipe + offset); });
        PostingList& titles = m_vocabulary.titlesOf(numbers[number]);
        words.titlesOf(number).forEach([&](std::uint32_t recipe) { titles.add(recipe + offset); });
    }
    const std::uint64_t shift = m_bytes.size();
    m_bytes.reserve(m_bytes.size() + other.m_bytes.size() + other.m_bytes.size() / 8);
    const std::uint8_t* position = other.m_bytes.data();
    const std::uint8_t* const end = position + other.m_bytes.size();
    while (position < end)
        appendNumber(m_bytes, numbers[readNumber(position)]);
    return shift;
}

} // namespace savrona
