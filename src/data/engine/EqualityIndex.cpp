// Building the hash indexes for `Field = constant` lookups and keeping them usable as
// rows change.
#include "data/engine/EqualityIndex.h"

#include <algorithm>

namespace savrona {

std::vector<RowId> EqualityIndex::find(std::size_t field, const Value& value, RowsView rows,
                                       const std::vector<bool>& live) {
    if (value.isNull())
        return {};
    if (!m_byField.contains(field))
        build(field, rows, live);
    const Entries& entries = m_byField[field];
    const std::size_t hash = ValueHash()(value);
    const auto byHash = [](const Entry& left, const Entry& right) {
        return left.hash < right.hash;
    };
    const auto [begin, end] =
        std::equal_range(entries.begin(), entries.end(), Entry{hash, 0}, byHash);
    std::vector<RowId> hits;
    for (auto entry = begin; entry != end; ++entry) {
        const RowId id = entry->id;
        if (live[id] && rows[id][field] == value)
            hits.push_back(id);
    }
    return hits;
}

void EqualityIndex::build(std::size_t field, RowsView rows, const std::vector<bool>& live) {
    Entries& entries = m_byField[field];
    // With room for the rows a session adds, as the sort keys have.
    entries.reserve(rows.size() + rows.size() / 8);
    const ValueHash hashOf;
    for (RowId id = 0; id < rows.size(); ++id) {
        if (live[id] && field < rows[id].size() && !rows[id][field].isNull())
            entries.push_back({hashOf(rows[id][field]), id});
    }
    std::sort(entries.begin(), entries.end());
    m_rowCount = rows.size();
}

void EqualityIndex::insert(Entries& entries, const Value& value, RowId id) {
    const Entry entry{ValueHash()(value), id};
    entries.insert(std::upper_bound(entries.begin(), entries.end(), entry), entry);
}

void EqualityIndex::noteAdded(RowId id, const Row& row) {
    for (auto& [field, entries] : m_byField) {
        if (field < row.size() && !row[field].isNull())
            insert(entries, row[field], id);
    }
    ++m_rowCount;
}

void EqualityIndex::noteAddedRange(RowId firstId, RowsView rows) {
    const ValueHash hashOf;
    for (auto& [field, entries] : m_byField) {
        const auto oldSize = static_cast<std::ptrdiff_t>(entries.size());
        for (RowId id = firstId; id < rows.size(); ++id) {
            if (field < rows[id].size() && !rows[id][field].isNull())
                entries.push_back({hashOf(rows[id][field]), id});
        }
        std::sort(entries.begin() + oldSize, entries.end());
        std::inplace_merge(entries.begin(), entries.begin() + oldSize, entries.end());
    }
    m_rowCount += rows.size() - firstId;
}

void EqualityIndex::noteChanged(RowId id, const Row& before, const Row& after) {
    bool stale = false;
    for (auto& [field, entries] : m_byField) {
        if (field >= after.size() || before[field] == after[field])
            continue;
        stale = true;
        if (!after[field].isNull())
            insert(entries, after[field], id);
    }
    if (stale)
        noteStale();
}

void EqualityIndex::noteRemoved() {
    noteStale();
}

// New ids keep the order of the old ones, so the entries stay sorted.
void EqualityIndex::renumber(const std::vector<RowId>& newIds, const std::vector<bool>& live) {
    for (auto& [field, entries] : m_byField) {
        std::erase_if(entries, [&](const Entry& entry) { return !live[entry.id]; });
        for (Entry& entry : entries)
            entry.id = newIds[entry.id];
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
