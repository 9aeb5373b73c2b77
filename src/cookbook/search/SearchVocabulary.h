#pragma once

// Every folded word of the cookbook once, with a number and the recipes it occurs in.

#include "cookbook/search/PostingList.h"
#include "cookbook/search/TextFolding.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace savrona {

// Words are numbered from 1 in the order first met; 0 is no word (the index
// uses it between the fields of a recipe). Words are found by a hash table,
// and by prefix through a list of the numbers sorted by their words' bytes.
class SearchVocabulary {
public:
    static constexpr std::uint32_t noWord = 0;

    SearchVocabulary();

    // The number of the word, added when new; head as TextFolder::headOf gives it.
    std::uint32_t add(std::string_view word, std::uint64_t head) {
        const Key key{head, word.size()};
        const std::size_t slot = slotOf(word, key, hashOf(word, key));
        if (m_table[slot].number != noWord)
            return m_table[slot].number;
        return addNew(word, key, slot);
    }
    std::uint32_t add(std::string_view word) { return add(word, keyOf(word).head); }
    std::optional<std::uint32_t> find(std::string_view word) const;
    // The numbers of every word that starts with prefix, in byte order.
    std::span<const std::uint32_t> startingWith(std::string_view prefix);
    // Sorts the words added since the last sort in with the others: done once
    // after many words were added, so that the next startingWith is quick.
    void sortNewWords();
    std::size_t unsortedCount() const { return size() - 1 - m_sorted.size(); }

    std::string_view word(std::uint32_t number) const;
    // One more than the highest word number.
    std::size_t size() const { return m_recipes.size(); }

    // The recipes holding the word anywhere, and those holding it in their title.
    PostingList& recipesOf(std::uint32_t number) { return m_recipes[number].anywhere; }
    const PostingList& recipesOf(std::uint32_t number) const { return m_recipes[number].anywhere; }
    PostingList& titlesOf(std::uint32_t number) { return m_recipes[number].inTitle; }
    const PostingList& titlesOf(std::uint32_t number) const { return m_recipes[number].inTitle; }

    std::size_t bytes() const;

private:
    // A word's first eight bytes (zero after its end) and its length: all of
    // a short word, enough to tell most long ones apart.
    struct Key {
        std::uint64_t head = 0;
        std::uint64_t size = 0;
        bool operator==(const Key&) const = default;
    };
    // A slot of the hash table: the word's number (0 for an empty slot) and
    // its key, so that a lookup rarely reads the word itself.
    struct Slot {
        Key key;
        std::uint32_t number = noWord;
    };

    std::uint32_t addNew(std::string_view word, const Key& key, std::size_t slot);
    static Key keyOf(std::string_view word);
    static std::uint64_t hashOf(std::string_view word, const Key& key);
    std::size_t slotOf(std::string_view word, const Key& key, std::uint64_t hash) const;
    void grow();

    std::string m_text;                  // every word, side by side
    std::vector<std::uint64_t> m_starts; // where word n starts in m_text; one more at the end
    struct Recipes {
        PostingList anywhere;
        PostingList inTitle;
    };
    std::vector<Recipes> m_recipes;      // by word number
    std::vector<Slot> m_table;           // open addressing, a power of two long
    std::vector<std::uint32_t> m_sorted; // word numbers in byte order of their words
};

inline SearchVocabulary::Key SearchVocabulary::keyOf(std::string_view word) {
    return Key{TextFolder::headOf(word), word.size()};
}

inline std::uint64_t SearchVocabulary::hashOf(std::string_view word, const Key& key) {
    std::uint64_t hash = (key.head ^ 0x9E3779B97F4A7C15ULL) * (key.size | 1) + key.size;
    for (std::size_t position = 8; position < word.size(); position += 8) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, word.data() + position,
                    word.size() - position < 8 ? word.size() - position : 8);
        hash = (hash ^ chunk) * 0xBF58476D1CE4E5B9ULL;
    }
    hash ^= hash >> 31;
    hash *= 0x7FB5D329728EA185ULL;
    hash ^= hash >> 27;
    return hash;
}

inline std::size_t SearchVocabulary::slotOf(std::string_view word, const Key& key,
                                            std::uint64_t hash) const {
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot& entry = m_table[slot];
        if (entry.number == noWord)
            return slot;
        if (entry.key == key && (key.size <= 8 || this->word(entry.number) == word))
            return slot;
    }
}

} // namespace savrona
