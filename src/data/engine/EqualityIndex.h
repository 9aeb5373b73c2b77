#pragma once

// Lets a table answer a lookup by name, title or ID without scanning every row.

#include "data/Value.h"
#include "data/engine/ActiveIndex.h"
#include "data/packets/PacketView.h"

#include <QHashFunctions>

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace savrona {

struct ValueHash {
    std::size_t operator()(const Value& value) const {
        return value.isInteger() ? qHash(value.integer()) : qHash(value.utf8());
    }
};

// Hash indexes for `Field = constant` lookups, one per field, each built the
// first time that field is looked up: the (hash of the value, row id) pairs
// of every row, sorted, sixteen bytes a row. A row that changes or goes is
// not removed from its old entry: every hit is checked against the row
// itself, and an index that has gathered as many stale entries as it has
// rows is dropped and built again on its next use.
class EqualityIndex {
public:
    // Rows whose field holds exactly value, in no particular order, possibly
    // more than once. live[id] tells whether row id still exists.
    std::vector<RowId> find(std::size_t field, const Value& value, RowsView rows,
                            const std::vector<bool>& live);

    void noteAdded(RowId id, const Row& row);
    // Rows firstId and up to the end of rows, merged in once per index.
    void noteAddedRange(RowId firstId, RowsView rows);
    void noteChanged(RowId id, const Row& before, const Row& after);
    void noteRemoved();
    // Row ids renumbered after the rows not live were dropped.
    void renumber(const std::vector<RowId>& newIds, const std::vector<bool>& live);

private:
    struct Entry {
        std::size_t hash;
        RowId id;
        auto operator<=>(const Entry&) const = default;
    };
    using Entries = std::vector<Entry>; // sorted

    void build(std::size_t field, RowsView rows, const std::vector<bool>& live);
    static void insert(Entries& entries, const Value& value, RowId id);
    void noteStale();

    std::unordered_map<std::size_t, Entries> m_byField;
    std::size_t m_rowCount = 0;
    std::size_t m_staleCount = 0;
};

} // namespace savrona
