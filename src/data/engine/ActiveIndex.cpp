// Sorting a table's rows by their index field at opening, and moving single rows in that
// order as they change.
#include "data/engine/ActiveIndex.h"

#include <algorithm>
#include <numeric>

namespace savrona {

void ActiveIndex::assign(RowsView rows, std::optional<std::size_t> keyField) {
    m_keyField = keyField;
    m_keys = SortKeys();
    m_keys.reserve(rows.size());
    for (RowId id = 0; id < rows.size(); ++id) {
        prefetchKey(rows, id + 8);
        setKey(id, rows[id]);
    }
    std::vector<SortItem> items(rows.size());
    for (RowId id = 0; id < rows.size(); ++id)
        items[id].id = id;
    sortByChunks(items, 0);
    m_order.resize(items.size());
    std::transform(items.begin(), items.end(), m_order.begin(),
                   [](const SortItem& item) { return item.id; });
    m_positionsValid = false;
}

// Sorts eight folded bytes at a time, on numbers held side by side, and goes
// one chunk deeper only within runs that agree so far: titles that share long
// beginnings cost a few passes instead of a text comparison at every step.
void ActiveIndex::sortByChunks(std::span<SortItem> items, std::size_t chunkNumber) const {
    constexpr std::size_t smallRun = 16;
    constexpr std::size_t deepestChunk = 32;
    const auto byFullKey = [this](const SortItem& left, const SortItem& right) {
        return precedes(left.id, right.id);
    };
    for (SortItem& item : items)
        item.chunk = m_keys.chunk(item.id, chunkNumber);
    std::sort(items.begin(), items.end(),
              [](const SortItem& left, const SortItem& right) { return left.chunk < right.chunk; });
    for (auto begin = items.begin(); begin != items.end();) {
        const auto end = std::find_if(
            begin, items.end(), [&](const SortItem& item) { return item.chunk != begin->chunk; });
        const std::span<SortItem> run(begin, end);
        const bool whole = std::all_of(run.begin(), run.end(), [&](const SortItem& item) {
            return m_keys.endsWithin(item.id, chunkNumber);
        });
        if (run.size() < smallRun || whole || chunkNumber + 1 >= deepestChunk)
            std::sort(run.begin(), run.end(), byFullKey);
        else
            sortByChunks(run, chunkNumber + 1);
        begin = end;
    }
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

// Rows and their texts lie scattered over the heap; asking for a key's bytes a
// few rows ahead lets the reads overlap instead of waiting one by one.
void ActiveIndex::prefetchKey(RowsView rows, std::size_t id) const {
    if (!m_keyField || id >= rows.size())
        return;
    if (id + 8 < rows.size())
        __builtin_prefetch(rows[id + 8].data() + *m_keyField);
    const Value& value = rows[id][*m_keyField];
    if (value.isText())
        __builtin_prefetch(value.utf8().constData());
}

void ActiveIndex::setKey(RowId id, const Row& row) {
    m_keys.set(id, m_keyField ? row[*m_keyField] : Value());
}

void ActiveIndex::add(RowId id, const Row& row) {
    setKey(id, row);
    m_order.insert(lowerBound(id), id);
    m_positionsValid = false;
}

void ActiveIndex::addRange(RowId firstId, RowsView rows) {
    std::vector<SortItem> items;
    items.reserve(rows.size() - firstId);
    for (RowId id = firstId; id < rows.size(); ++id) {
        prefetchKey(rows, id + 8);
        setKey(id, rows[id]);
        items.push_back({{}, id});
    }
    sortByChunks(items, 0);
    std::vector<RowId> merged;
    merged.reserve(m_order.size() + items.size());
    const auto byOrder = [this](RowId left, RowId right) { return precedes(left, right); };
    auto added = items.begin();
    for (const RowId existing : m_order) {
        for (; added != items.end() && byOrder(added->id, existing); ++added)
            merged.push_back(added->id);
        merged.push_back(existing);
    }
    for (; added != items.end(); ++added)
        merged.push_back(added->id);
    m_order = std::move(merged);
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

void ActiveIndex::renumber(const std::vector<RowId>& newIds, const std::vector<bool>& live) {
    for (RowId& id : m_order)
        id = newIds[id];
    m_keys.keepOnly(live);
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
