#pragma once

// The recipes a word of the search index occurs in.

#include "cookbook/search/BitSet.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace savrona {

// The numbers of the recipes that hold one word, added in increasing order.
// A word found in few recipes keeps their numbers; once it is found in more
// than one recipe in 32 it keeps one bit per recipe instead, which is then
// smaller and much faster to unite. Either way in one array, so that an
// empty list costs a few bytes: most words of a cookbook are rare. A list of
// one recipe, as most of the rare words have, keeps it without the array.
class PostingList {
public:
    // Numbers never go down; adding the last number again does nothing.
    // Kept small enough to inline: what grows the list is out of line.
    [[gnu::always_inline]] void add(std::uint32_t recipe) {
        if (m_asBits) {
            const std::size_t word = recipe / 32;
            if (word < m_data.size()) [[likely]] {
                m_data[word] |= std::uint32_t(1) << (recipe % 32);
                return;
            }
        } else if (!m_data.empty()) {
            if (m_data.back() == recipe)
                return;
            if (m_data.size() < m_data.capacity() && m_data.size() + 1 < leastForBits) {
                m_data.push_back(recipe);
                return;
            }
        } else if (!m_hasSingle) {
            m_single = recipe;
            m_hasSingle = true;
            return;
        } else if (m_single == recipe) {
            return;
        }
        addGrowing(recipe);
    }
    // Takes over the recipes of other, numbered offset higher: what another
    // thread found for recipes that all come after these. Bits are taken
    // over a word at a time when offset is a multiple of 32; a list is taken
    // over whole when this one is empty. other is left empty.
    void appendShifted(PostingList&& other, std::uint32_t offset);
    void addTo(BitSet& recipes) const;
    // Calls visit(number) for each recipe, in increasing order.
    template <typename Visit> void forEach(Visit&& visit) const {
        if (m_hasSingle)
            visit(m_single);
        if (!m_asBits) {
            for (const std::uint32_t recipe : m_data)
                visit(recipe);
            return;
        }
        for (std::size_t word = 0; word < m_data.size(); ++word) {
            for (std::uint32_t bits = m_data[word]; bits != 0; bits &= bits - 1)
                visit(static_cast<std::uint32_t>(word * 32 + std::size_t(std::countr_zero(bits))));
        }
    }
    std::size_t bytes() const { return m_data.capacity() * sizeof(std::uint32_t); }

private:
    // Below this many recipes a list costs too little to be worth the change.
    static constexpr std::size_t leastForBits = 256;

    void addGrowing(std::uint32_t recipe);
    void turnIntoBits(std::uint32_t highest);
    void takeBitsOver(const PostingList& other, std::uint32_t offset);

    std::vector<std::uint32_t> m_data; // recipe numbers, or 32 recipes' bits each
    std::uint32_t m_single = 0;        // the only recipe, while m_hasSingle
    bool m_hasSingle = false;          // then m_data is empty
    bool m_asBits = false;
};

} // namespace savrona
