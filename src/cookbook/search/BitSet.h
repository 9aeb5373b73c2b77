#pragma once

// A set of small numbers (recipes or words of the search index), one bit each.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace savrona {

class BitSet {
public:
    BitSet() = default;
    explicit BitSet(std::size_t size) : m_words((size + 63) / 64, 0) {}

    void set(std::size_t index) { m_words[index / 64] |= std::uint64_t(1) << (index % 64); }
    void reset(std::size_t index) { m_words[index / 64] &= ~(std::uint64_t(1) << (index % 64)); }
    bool test(std::size_t index) const {
        return index / 64 < m_words.size() && (m_words[index / 64] >> (index % 64)) & 1;
    }

    void intersectWith(const BitSet& other) {
        for (std::size_t word = 0; word < m_words.size(); ++word)
            m_words[word] &= word < other.m_words.size() ? other.m_words[word] : 0;
    }
    void remove(const BitSet& other) {
        for (std::size_t word = 0; word < m_words.size() && word < other.m_words.size(); ++word)
            m_words[word] &= ~other.m_words[word];
    }
    // Adds the bits of a set given as 32-bit words, which may be fewer.
    void unite(const std::vector<std::uint32_t>& words) {
        const std::size_t pairs = std::min(words.size() / 2, m_words.size());
        for (std::size_t word = 0; word < pairs; ++word)
            m_words[word] |= std::uint64_t(words[2 * word]) | std::uint64_t(words[2 * word + 1])
                                                                  << 32;
        if (words.size() % 2 != 0 && pairs < m_words.size())
            m_words[pairs] |= words.back();
    }

    bool isSubsetOf(const BitSet& other) const {
        for (std::size_t word = 0; word < m_words.size(); ++word) {
            const std::uint64_t theirs = word < other.m_words.size() ? other.m_words[word] : 0;
            if ((m_words[word] & ~theirs) != 0)
                return false;
        }
        return true;
    }

    std::size_t count() const {
        std::size_t total = 0;
        for (const std::uint64_t word : m_words)
            total += static_cast<std::size_t>(std::popcount(word));
        return total;
    }

    bool none() const {
        for (const std::uint64_t word : m_words)
            if (word != 0)
                return false;
        return true;
    }

    // Calls visit(index) for every index in the set, in increasing order.
    template <typename Visit> void forEach(Visit&& visit) const {
        for (std::size_t word = 0; word < m_words.size(); ++word) {
            for (std::uint64_t bits = m_words[word]; bits != 0; bits &= bits - 1)
                visit(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
        }
    }

    std::size_t bytes() const { return m_words.capacity() * sizeof(std::uint64_t); }

private:
    std::vector<std::uint64_t> m_words;
};

} // namespace savrona
