// A word's recipes as a list of numbers or as bits, whichever is smaller.
#include "PostingList.h"

namespace savrona {

void PostingList::turnIntoBits(std::uint32_t highest) {
    std::vector<std::uint32_t> bits(std::size_t(highest) / 32 + 1, 0);
    for (const std::uint32_t recipe : m_data)
        bits[recipe / 32] |= std::uint32_t(1) << (recipe % 32);
    m_data = std::move(bits);
    m_asBits = true;
}

void PostingList::addTo(BitSet& recipes) const {
    if (m_asBits) {
        recipes.unite(m_data);
        return;
    }
    for (const std::uint32_t recipe : m_data)
        recipes.set(recipe);
}

} // namespace savrona
