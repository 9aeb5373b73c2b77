#include "ActiveIndex.h"

#include <algorithm>
#include <numeric>

namespace savrona {

void ActiveIndex::assign(std::vector<SortKey> keys) {
    m_keys = std::move(keys);
    m_order.resize(m_keys.size());
    std::iota(m_order.begin(), m_order.end(), RowId{0});
    // A stable sort keeps insertion order among equal keys.
    std::stable_sort(m_order.begin(), m_order.end(),
                     [this](RowId left, RowId right) { return m_keys[left] < m_keys[right]; });
    m_positionsValid = false;
}

bool ActiveIndex::precedes(RowId left, RowId right) const {
    const auto order = m_keys[left] <=> m_keys[right];
    return order != 0 ? order < 0 : left < right;
}

std::vector<RowId>::const_iterator ActiveIndex::lowerBound(RowId id) const {
    return std::lower_bound(
        m_order.begin(), m_order.end(), id,
        [this](RowId element, RowId wanted) { return precedes(element, wanted); });
}

void ActiveIndex::add(RowId id, SortKey key) {
    if (id >= m_keys.size())
        m_keys.resize(id + 1);
    m_keys[id] = std::move(key);
    m_order.insert(lowerBound(id), id);
    m_positionsValid = false;
}

void ActiveIndex::change(RowId id, SortKey key) {
    remove(id);
    add(id, std::move(key));
}

void ActiveIndex::remove(RowId id) {
    const auto found = lowerBound(id);
    if (found != m_order.end() && *found == id)
        m_order.erase(found);
    m_keys[id] = SortKey();
    m_positionsValid = false;
}

std::size_t ActiveIndex::positionOf(RowId id) const {
    return static_cast<std::size_t>(lowerBound(id) - m_order.begin());
}

void ActiveIndex::sortByPosition(std::vector<RowId>& ids) const {
    if (ids.size() > 1 && !m_positionsValid) {
        m_positions.assign(m_keys.size(), 0);
        for (std::size_t position = 0; position < m_order.size(); ++position)
            m_positions[m_order[position]] = static_cast<std::uint32_t>(position);
        m_positionsValid = true;
    }
    if (ids.size() > 1) {
        std::sort(ids.begin(), ids.end(), [this](RowId left, RowId right) {
            return m_positions[left] < m_positions[right];
        });
    }
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

} // namespace savrona
