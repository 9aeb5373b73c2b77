// A word's recipes as a list of numbers or as bits, whichever is smaller.
#include "cookbook/search/PostingList.h"

namespace savrona {

void PostingList::addGrowing(std::uint32_t recipe) {
    if (m_asBits) {
        m_data.resize(recipe / 32 + 1, 0);
        m_data[recipe / 32] |= std::uint32_t(1) << (recipe % 32);
        return;
    }
    if (m_hasSingle) {
        m_data.reserve(4);
        m_data.push_back(m_single);
        m_hasSingle = false;
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

void PostingList::appendShifted(PostingList&& other, std::uint32_t offset) {
    if (other.m_asBits && offset % 32 == 0) {
        takeBitsOver(other, offset);
    } else if (!other.m_data.empty() && !other.m_asBits && m_data.empty() && !m_asBits &&
               !m_hasSingle) {
        // Most words of a second half are new here: their lists move.
        m_data = std::move(other.m_data);
        for (std::uint32_t& recipe : m_data)
            recipe += offset;
    } else {
        other.forEach([&](std::uint32_t recipe) { add(recipe + offset); });
    }
    other.m_data = {};
    other.m_hasSingle = other.m_asBits = false;
}

void PostingList::takeBitsOver(const PostingList& other, std::uint32_t offset) {
    if (m_hasSingle) {
        m_data.assign(1, m_single); // into the array, which the bits then take over
        m_hasSingle = false;
    }
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
    if (m_hasSingle)
        recipes.set(m_single);
    if (m_asBits) {
        recipes.unite(m_data);
        return;
    }
    for (const std::uint32_t recipe : m_data)
        recipes.set(recipe);
}

} // namespace savrona
