// The bounded list of a table's row changes.
#include "data/engine/ChangeJournal.h"

#include <utility>

namespace savrona {

bool ChangeJournal::hasRoomFor(std::size_t count) {
    if (m_overflowed)
        return false;
    if (m_changes.size() + count > capacity) {
        m_overflowed = true;
        m_changes.clear();
        m_changes.shrink_to_fit();
        return false;
    }
    return true;
}

void ChangeJournal::noteInserted(const Row& row) {
    if (hasRoomFor(1))
        m_changes.push_back({std::nullopt, row});
}

void ChangeJournal::noteChanged(const Row& before, const Row& after) {
    if (hasRoomFor(1))
        m_changes.push_back({before, after});
}

void ChangeJournal::noteRemoved(const Row& row) {
    if (hasRoomFor(1))
        m_changes.push_back({row, std::nullopt});
}

std::optional<std::vector<RowChange>> ChangeJournal::take() {
    const bool overflowed = std::exchange(m_overflowed, false);
    std::vector<RowChange> changes = std::exchange(m_changes, {});
    if (overflowed)
        return std::nullopt;
    return changes;
}

} // namespace savrona
