#pragma once

// The row order a table presents, and RowId, by which the table's parts name a row.

#include "data/Value.h"
#include "data/engine/Collation.h"
#include "data/packets/PacketView.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace savrona {

// A row's place in the table's storage; storage order is insertion order.
using RowId = std::uint32_t;

// The table's active order: rows sorted by the value of their index field in
// dictionary order (SortKeys), ties broken by insertion order. Built once at
// opening and kept up to date by binary-search insertion and removal as rows
// change.
class ActiveIndex {
public:
    // Sorts all rows by the field at keyField; with none, every key is null
    // and the order is insertion order.
    void assign(RowsView rows, std::optional<std::size_t> keyField);

    // A new row, or one whose index value changed. id is at most one past the
    // highest id given so far.
    void add(RowId id, const Row& row);
    // New rows firstId and up to the end of rows, in one sort and one merge.
    void addRange(RowId firstId, RowsView rows);
    void change(RowId id, const Row& row);
    void remove(RowId id);
    // Row ids renumbered after the rows not live were dropped: a live row's
    // new id is newIds[id]. The order stays as it is.
    void renumber(const std::vector<RowId>& newIds, const std::vector<bool>& live);

    std::size_t size() const { return m_order.size(); }
    RowId at(std::size_t position) const { return m_order[position]; }
    std::size_t positionOf(RowId id) const;

    // True when row `left` comes before row `right` in the active order.
    bool precedes(RowId left, RowId right) const;

    // Puts row ids into the active order, dropping repeated ids.
    void sortByPosition(std::vector<RowId>& ids) const;

private:
    struct SortItem {
        SortKeys::Chunk chunk;
        RowId id;
    };
    void sortByChunks(std::span<SortItem> items, std::size_t chunkNumber) const;
    std::vector<RowId>::const_iterator lowerBound(RowId id) const;
    void setKey(RowId id, const Row& row);
    void prefetchKey(RowsView rows, std::size_t id) const;

    std::optional<std::size_t> m_keyField;

    std::vector<RowId> m_order;
    SortKeys m_keys; // by row id
    // Position of each row in m_order, rebuilt lazily after a change.
    mutable std::vector<std::uint32_t> m_positions;
    mutable bool m_positionsValid = false;
};

} // namespace savrona
