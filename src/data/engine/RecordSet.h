#pragma once

// What an open table holds in memory, apart from its file and its messages (TableEngine).

#include "data/Value.h"
#include "data/engine/ActiveIndex.h"
#include "data/engine/ChangeJournal.h"
#include "data/engine/EqualityIndex.h"
#include "data/engine/FilterExpression.h"
#include "data/engine/RowBlocks.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace savrona {

// The data of one open table: its rows, the active index over them, the
// current view (all rows, or those a filter selected) and a cursor on it, and
// a pending edit. Callers check preconditions (an open view that is not
// empty for a delete, an edit begun before values are set); this class
// reports no errors.
//
// A view is computed when a filter is applied. Rows inserted or edited later
// stay in it, in index order, until the next filter change refreshes it, even
// if they do not match: a new record is current whether or not it matches,
// and an edited record does not vanish under the cursor.
class RecordSet {
public:
    RecordSet(Packet packet, const QString& indexFieldName);

    const std::vector<FieldDefinition>& fields() const { return m_packet.fields; }
    const std::optional<DataPacketXmlLayout>& layout() const {
        return m_packet.dataPacketXmlLayout;
    }
    // Field names ignore letter case.
    std::optional<std::size_t> fieldIndex(QStringView name) const;

    void showAll();
    void showMatching(const FilterExpression& filter);

    std::size_t recordCount() const;
    void first();
    void next();
    bool eof() const { return m_eof; }

    // The current record, or the pending edit while editing; null in an empty view.
    const Row* currentRow() const;

    // Begins an edit of the current record, or of a new one in an empty view.
    void beginEdit();
    void beginInsert();
    bool isEditing() const { return m_pending.has_value(); }
    Value& pendingValue(std::size_t field) { return m_pending->values[field]; }
    void post();
    // Adds rows in one step; the last becomes current. Each row already holds
    // values of its fields' types.
    void addRows(std::vector<Row> rows);

    // Precondition: the view is not empty.
    void deleteCurrent();

    bool isChanged() const { return m_changed; }
    void markChanged() { m_changed = true; }
    // Counts the posts and deletes these rows have seen, across closes and
    // reopenings on them.
    std::uint64_t changeCount() const { return m_changeCount; }
    // Every insert, post and delete since the changes were last taken.
    ChangeJournal& journal() { return m_journal; }

    // Calls visit with every row, in index order, whatever the view.
    template <typename Visit> void forEachRow(Visit&& visit) const {
        for (std::size_t position = 0; position < m_index.size(); ++position)
            visit(m_rows[m_index.at(position)]);
    }

    // The fields and the rows in insertion order, for writing, sharing the
    // rows' blocks (RowBlocks). Deleted rows are dropped for good first and
    // the rest renumbered in the same order, so the indexes stay valid and
    // need no rebuilding; while an earlier snapshot still holds the blocks,
    // that waits until many rows are deleted, and the snapshot leaves them
    // out instead.
    PacketSnapshot snapshot();

    // Back to the state of a fresh opening on the same rows: every row shown,
    // the first one current, nothing changed. The indexes stay as they are.
    void reopen();

private:
    struct PendingEdit {
        Row values;
        std::optional<RowId> row; // none for a new record
    };

    std::size_t viewSize() const;
    RowId viewAt(std::size_t position) const;
    void addPendingRow();
    void storePendingEdit(RowId id);
    std::vector<RowId>::iterator placeInFilteredView(RowId id);
    void placeInView(RowId id);
    void moveCursorTo(RowId id);
    void prefetchAhead() const;

    void compact();

    Packet m_packet;  // the fields and the layout; the rows are in m_rows
    RowBlocks m_rows; // by row id, in insertion order; deleted ones empty
    std::size_t m_deletedRows = 0;
    std::optional<std::size_t> m_indexField;
    std::vector<bool> m_live;
    ActiveIndex m_index;
    EqualityIndex m_equalityIndex;

    std::optional<std::vector<RowId>> m_filteredView; // none: every row
    std::size_t m_position = 0;
    bool m_eof = true;
    std::optional<PendingEdit> m_pending;
    bool m_changed = false;
    std::uint64_t m_changeCount = 0;
    ChangeJournal m_journal;
};

} // namespace savrona
