#include "ActiveIndex.h"

#include <algorithm>
#include <numeric>

namespace savrona {

void ActiveIndex::assign(const std::vector<Row>& rows, std::optional<std::size_t> keyField) {
    m_keyField = keyField;
    m_keys = SortKeys();
    m_keys.reserve(rows.size());
    for (RowId id = 0; id < rows.size(); ++id)
        setKey(id, rows[id]);
    m_order.resize(rows.size());
    std::iota(m_order.begin(), m_order.end(), RowId{0});
    // Ties fall back to the row id, that is insertion order.
    std::sort(m_order.begin(), m_order.end(),
              [this](RowId left, RowId right) { return precedes(left, right); });
    m_positionsValid = false;
}

bool ActiveIndex::precedes(RowId left, RowId right) const {
    const auto order = m_keys.compare(left, right);
    return order != 0 ? order < 0 : left < right;
}

std::vector<RowId>::const_iterator ActiveIndex::lowerBound(RowId id) const {
    return std::lower_bound(
        m_order.begin(), m_order.end(), id,
        [this](RowId element, RowId wanted) { return precedes(element, wanted); });
}

void ActiveIndex::setKey(RowId id, const Row& row) {
    m_keys.set(id, m_keyField ? row[*m_keyField] : Value());
}

void ActiveIndex::add(RowId id, const Row& row) {
    setKey(id, row);
    m_order.insert(lowerBound(id), id);
    m_positionsValid = false;
}

void ActiveIndex::change(RowId id, const Row& row) {
    remove(id);
    add(id, row);
}

void ActiveIndex::remove(RowId id) {
    const auto found = lowerBound(id);
    if (found != m_order.end() && *found == id)
        m_order.erase(found);
    m_keys.clear(id);
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
