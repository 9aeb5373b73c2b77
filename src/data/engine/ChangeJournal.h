#pragma once

// The record changes of an open table since they were last taken, for whoever keeps a
// view of the rows up to date without walking them all again.

#include "data/Value.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace savrona {

// One insert, post or delete: the row as it was (none for an insert) and as
// it is now (none for a delete).
struct RowChange {
    std::optional<Row> before;
    std::optional<Row> after;
};

// Notes each change to a table's rows, up to a bound: past it (an import of
// many rows, say) only the fact that much changed is kept, and a reader is
// better off looking at every row again.
class ChangeJournal {
public:
    static constexpr std::size_t capacity = 4096;

    void noteInserted(const Row& row);
    // Whether count more changes fit; when they do not, the journal gives
    // up on listing and the caller need not note them one by one.
    bool makeRoomFor(std::size_t count) { return hasRoomFor(count); }
    void noteChanged(const Row& before, const Row& after);
    void noteRemoved(const Row& row);

    // The changes noted since the last take, or none when there were more
    // than the bound; empties the journal either way.
    std::optional<std::vector<RowChange>> take();

private:
    bool hasRoomFor(std::size_t count);

    std::vector<RowChange> m_changes;
    bool m_overflowed = false;
};

} // namespace savrona
