// A word's recipes as a list of numbers or as bits, whichever is smaller.
#include "PostingList.h"

namespace savrona {

void PostingList::turnIntoBits(std::uint32_t highest) {
    m_bits.assign(std::size_t(highest) / 64 + 1, 0);
    for (const std::uint32_t recipe : m_recipes)
        m_bits[recipe / 64] |= std::uint64_t(1) << (recipe % 64);
    m_recipes = {};
    m_asBits = true;
}

void PostingList::addTo(BitSet& recipes) const {
    if (m_asBits) {
        recipes.unite(m_bits);
        return;
    }
    for (const std::uint32_t recipe : m_recipes)
        recipes.set(recipe);
}

std::size_t PostingList::bytes() const {
    return m_recipes.capacity() * sizeof(std::uint32_t) + m_bits.capacity() * sizeof(std::uint64_t);
}

} // namespace savrona
