#include "EqualityIndex.h"

#include <algorithm>

namespace savrona {

std::vector<RowId> EqualityIndex::find(std::size_t field, const Value& value,
                                       const std::vector<Row>& rows,
                                       const std::vector<bool>& live) {
    if (value.isNull())
        return {};
    if (!m_byField.contains(field))
        build(field, rows, live);
    const Entries& entries = m_byField[field];
    const auto found = entries.find(value);
    if (found == entries.end())
        return {};
    std::vector<RowId> hits;
    hits.reserve(found->second.size());
    for (const RowId id : found->second) {
        if (live[id] && rows[id][field] == value)
            hits.push_back(id);
    }
    return hits;
}

void EqualityIndex::build(std::size_t field, const std::vector<Row>& rows,
                          const std::vector<bool>& live) {
    Entries& entries = m_byField[field];
    for (RowId id = 0; id < rows.size(); ++id) {
        if (live[id] && field < rows[id].size() && !rows[id][field].isNull())
            entries[rows[id][field]].push_back(id);
    }
    m_rowCount = rows.size();
}

void EqualityIndex::noteAdded(RowId id, const Row& row) {
    for (auto& [field, entries] : m_byField) {
        if (field < row.size() && !row[field].isNull())
            entries[row[field]].push_back(id);
    }
    ++m_rowCount;
}

void EqualityIndex::noteChanged(RowId id, const Row& before, const Row& after) {
    bool stale = false;
    for (auto& [field, entries] : m_byField) {
        if (field >= after.size() || before[field] == after[field])
            continue;
        stale = true;
        if (!after[field].isNull())
            entries[after[field]].push_back(id);
    }
    if (stale)
        noteStale();
}

void EqualityIndex::noteRemoved() {
    noteStale();
}

void EqualityIndex::renumber(const std::vector<RowId>& newIds, const std::vector<bool>& live) {
    for (auto& [field, entries] : m_byField) {
        for (auto& [value, ids] : entries) {
            std::erase_if(ids, [&](RowId id) { return !live[id]; });
            for (RowId& id : ids)
                id = newIds[id];
        }
    }
    m_rowCount = std::size_t(std::count(live.begin(), live.end(), true));
}

void EqualityIndex::noteStale() {
    if (++m_staleCount > m_rowCount) {
        m_byField.clear();
        m_staleCount = 0;
    }
}

} // namespace savrona
