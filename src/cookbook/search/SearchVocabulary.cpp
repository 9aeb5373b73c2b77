// The words of the search index: numbering, lookup by hash, prefix ranges.
#include "cookbook/search/SearchVocabulary.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace savrona {

SearchVocabulary::SearchVocabulary() {
    m_starts.push_back(0);
    // Number 0, no word: an empty entry that nothing finds.
    m_starts.push_back(0);
    m_recipes.emplace_back();
    m_table.assign(1024, Slot{});
}

std::optional<std::uint32_t> SearchVocabulary::find(std::string_view word) const {
    const Key key = keyOf(word);
    const std::uint32_t number = m_table[slotOf(word, key, hashOf(word, key))].number;
    if (number == noWord)
        return std::nullopt;
    return number;
}

std::uint32_t SearchVocabulary::addNew(std::string_view word, const Key& key, std::size_t slot) {
    const auto number = static_cast<std::uint32_t>(m_recipes.size());
    m_text.append(word);
    m_starts.push_back(m_text.size());
    m_recipes.emplace_back();
    m_table[slot] = Slot{key, number};
    // At most half full, so that probes stay short.
    if (m_recipes.size() * 2 > m_table.size())
        grow();
    return number;
}

void SearchVocabulary::grow() {
    std::vector<Slot> table(m_table.size() * 2, Slot{});
    const std::size_t mask = table.size() - 1;
    for (const Slot& entry : m_table) {
        if (entry.number == noWord)
            continue;
        const std::string_view word = this->word(entry.number);
        std::size_t slot = hashOf(word, entry.key) & mask;
        while (table[slot].number != noWord)
            slot = (slot + 1) & mask;
        table[slot] = entry;
    }
    m_table = std::move(table);
}

std::string_view SearchVocabulary::word(std::uint32_t number) const {
    return std::string_view(m_text).substr(m_starts[number],
                                           m_starts[number + 1] - m_starts[number]);
}

// Words added since the last sort are sorted on their own and merged in.
// The new words are sorted first by their first eight bytes as a big-endian
// number, which orders as the bytes do, and by the whole word where those
// agree; then merged in.
void SearchVocabulary::sortNewWords() {
    const std::size_t known = m_sorted.size() + 1; // number 0 is never sorted in
    if (known >= size())
        return;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> added;
    added.reserve(size() - known);
    for (auto number = static_cast<std::uint32_t>(known); number < size(); ++number)
        added.emplace_back(qToBigEndian<quint64>(keyOf(word(number)).head), number);
    std::sort(added.begin(), added.end(), [this](const auto& left, const auto& right) {
        if (left.first != right.first)
            return left.first < right.first;
        return word(left.second) < word(right.second);
    });
    const auto middle = static_cast<std::ptrdiff_t>(m_sorted.size());
    for (const auto& [head, number] : added)
        m_sorted.push_back(number);
    std::inplace_merge(
        m_sorted.begin(), m_sorted.begin() + middle, m_sorted.end(),
        [this](std::uint32_t left, std::uint32_t right) { return word(left) < word(right); });
}

std::span<const std::uint32_t> SearchVocabulary::startingWith(std::string_view prefix) {
    sortNewWords();
    const auto first = std::lower_bound(
        m_sorted.begin(), m_sorted.end(), prefix,
        [this](std::uint32_t number, std::string_view wanted) { return word(number) < wanted; });
    auto last = first;
    while (last != m_sorted.end() && word(*last).starts_with(prefix))
        ++last;
    return {m_sorted.data() + (first - m_sorted.begin()), static_cast<std::size_t>(last - first)};
}

std::size_t SearchVocabulary::bytes() const {
    std::size_t total = m_text.capacity() + m_starts.capacity() * sizeof(std::uint64_t) +
                        m_table.capacity() * sizeof(Slot) +
                        m_sorted.capacity() * sizeof(std::uint32_t) +
                        m_recipes.capacity() * sizeof(Recipes);
    for (const Recipes& recipes : m_recipes)
        total += recipes.anywhere.bytes() + recipes.inTitle.bytes();
    return total;
}

} // namespace savrona
