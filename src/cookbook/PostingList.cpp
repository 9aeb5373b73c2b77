// A word's recipes as a list of numbers or as bits, whichever is smaller.
#include "PostingList.h"

namespace savrona {

void PostingList::addGrowing(std::uint32_t recipe) {
    if (m_asBits) {
        m_data.resize(recipe / 32 + 1, 0);
        m_data[recipe / 32] |= std::uint32_t(1) << (recipe % 32);
        return;
    }
    m_data.push_back(recipe);
    if (m_data.size() >= leastForBits && m_data.size() * 32 > std::size_t(recipe) + 1)
        turnIntoBits(recipe);
}

void PostingList::turnIntoBits(std::uint32_t highest) {
    std::vector<std::uint32_t> bits(std::size_t(highest) / 32 + 1, 0);
    for (const std::uint32_t recipe : m_data)
        bits[recipe / 32] |= std::uint32_t(1) << (recipe % 32);
    m_data = std::move(bits);
    m_asBits = true;
}

void PostingList::appendShifted(const PostingList& other, std::uint32_t offset) {
    if (other.m_data.empty())
        return;
    if (other.m_asBits && offset % 32 == 0) {
        takeBitsOver(other, offset);
        return;
    }
    other.forEach([&](std::uint32_t recipe) { add(recipe + offset); });
}

void PostingList::takeBitsOver(const PostingList& other, std::uint32_t offset) {
    if (!m_asBits) {
        if (m_data.empty()) {
            m_asBits = true;
        } else {
            turnIntoBits(m_data.back());
        }
    }
    // Every recipe here is below offset, so the words up to it hold them all.
    m_data.resize(offset / 32, 0);
    m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
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
