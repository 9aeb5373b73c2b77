// An open table's rows: the filtered view, the cursor, pending edits, and the compacting
// of rows before a write.
#include "data/engine/RecordSet.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace savrona {

RecordSet::RecordSet(Packet packet, const QString& indexFieldName) : m_packet(std::move(packet)) {
    m_indexField = fieldIndex(indexFieldName);
    m_live.assign(m_packet.rows.size(), true);
    for (Row& row : m_packet.rows)
        row.resize(m_packet.fields.size());
    m_rows = RowBlocks(std::move(m_packet.rows));
    // Assigning {} would keep the emptied vector's storage: one slot a row.
    m_packet.rows = std::vector<Row>();
    m_index.assign(m_rows.view(), m_indexField);
    first();
}

std::optional<std::size_t> RecordSet::fieldIndex(QStringView name) const {
    // The exact spelling first: it is the usual case and much cheaper.
    for (const auto sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (std::size_t index = 0; index < m_packet.fields.size(); ++index) {
            if (name.compare(m_packet.fields[index].name, sensitivity) == 0)
                return index;
        }
    }
    return std::nullopt;
}

std::size_t RecordSet::viewSize() const {
    return m_filteredView ? m_filteredView->size() : m_index.size();
}

RowId RecordSet::viewAt(std::size_t position) const {
    return m_filteredView ? (*m_filteredView)[position] : m_index.at(position);
}

void RecordSet::showAll() {
    m_filteredView.reset();
    first();
}

void RecordSet::showMatching(const FilterExpression& filter) {
    if (filter.matchesEverything()) {
        showAll();
        return;
    }
    std::vector<RowId> view;
    if (const auto equality = filter.singleEquality()) {
        view = m_equalityIndex.find(equality->field, equality->constant, m_rows.view(), m_live);
        m_index.sortByPosition(view);
    } else {
        for (std::size_t position = 0; position < m_index.size(); ++position) {
            const RowId id = m_index.at(position);
            if (filter.matches(m_rows[id]))
                view.push_back(id);
        }
    }
    m_filteredView = std::move(view);
    first();
}

std::size_t RecordSet::recordCount() const {
    return viewSize();
}

void RecordSet::first() {
    m_position = 0;
    m_eof = viewSize() == 0;
}

void RecordSet::next() {
    if (m_position + 1 < viewSize()) {
        ++m_position;
        prefetchAhead();
    } else {
        m_eof = true;
    }
}

// A walk in index order visits rows scattered over the heap; asking for the
// rows a few steps ahead, and for their index text, lets the reads overlap.
void RecordSet::prefetchAhead() const {
    if (m_position + 4 < viewSize())
        __builtin_prefetch(m_rows[viewAt(m_position + 4)].data());
    if (m_indexField && m_position + 2 < viewSize()) {
        const Value& key = m_rows[viewAt(m_position + 2)][*m_indexField];
        if (key.isText())
            __builtin_prefetch(key.utf8().constData());
    }
}

const Row* RecordSet::currentRow() const {
    if (m_pending)
        return &m_pending->values;
    if (viewSize() == 0)
        return nullptr;
    return &m_rows[viewAt(m_position)];
}

void RecordSet::beginEdit() {
    if (viewSize() == 0) {
        beginInsert();
        return;
    }
    const RowId id = viewAt(m_position);
    m_pending = PendingEdit{m_rows[id], id};
}

void RecordSet::beginInsert() {
    m_pending = PendingEdit{Row(m_packet.fields.size()), std::nullopt};
}

void RecordSet::post() {
    if (!m_pending)
        return;
    if (m_pending->row)
        storePendingEdit(*m_pending->row);
    else
        addPendingRow();
    m_pending.reset();
    m_changed = true;
    ++m_changeCount;
}

void RecordSet::addPendingRow() {
    const auto id = static_cast<RowId>(m_rows.size());
    m_rows.pushBack(std::move(m_pending->values));
    m_live.push_back(true);
    m_index.add(id, m_rows[id]);
    m_equalityIndex.noteAdded(id, m_rows[id]);
    m_journal.noteInserted(m_rows[id]);
    if (m_filteredView)
        placeInView(id);
    moveCursorTo(id);
}

void RecordSet::addRows(std::vector<Row> rows) {
    if (rows.empty())
        return;
    const auto firstId = static_cast<RowId>(m_rows.size());
    for (Row& row : rows) {
        row.resize(m_packet.fields.size());
        m_rows.pushBack(std::move(row));
    }
    m_live.resize(m_rows.size(), true);
    m_index.addRange(firstId, m_rows.view());
    m_equalityIndex.noteAddedRange(firstId, m_rows.view());
    const auto lastId = static_cast<RowId>(m_rows.size() - 1);
    if (m_journal.makeRoomFor(m_rows.size() - firstId)) {
        for (RowId id = firstId; id <= lastId; ++id)
            m_journal.noteInserted(m_rows[id]);
    }
    if (m_filteredView) {
        std::vector<RowId> added(m_rows.size() - firstId);
        std::iota(added.begin(), added.end(), firstId);
        m_index.sortByPosition(added);
        std::vector<RowId> merged;
        merged.reserve(m_filteredView->size() + added.size());
        std::merge(m_filteredView->begin(), m_filteredView->end(), added.begin(), added.end(),
                   std::back_inserter(merged),
                   [this](RowId left, RowId right) { return m_index.precedes(left, right); });
        m_filteredView = std::move(merged);
    }
    moveCursorTo(lastId);
    m_changed = true;
    ++m_changeCount;
}

void RecordSet::storePendingEdit(RowId id) {
    Row before = std::exchange(m_rows.mutableRow(id), std::move(m_pending->values));
    const Row& after = m_rows[id];
    if (m_indexField && before[*m_indexField] != after[*m_indexField]) {
        m_index.change(id, after);
        if (m_filteredView) {
            std::erase(*m_filteredView, id);
            placeInView(id);
        }
    }
    m_equalityIndex.noteChanged(id, before, after);
    m_journal.noteChanged(before, after);
    moveCursorTo(id);
}

std::vector<RowId>::iterator RecordSet::placeInFilteredView(RowId id) {
    auto& view = *m_filteredView;
    return std::lower_bound(view.begin(), view.end(), id, [this](RowId element, RowId wanted) {
        return m_index.precedes(element, wanted);
    });
}

void RecordSet::placeInView(RowId id) {
    m_filteredView->insert(placeInFilteredView(id), id);
}

void RecordSet::moveCursorTo(RowId id) {
    if (m_filteredView) {
        m_position = static_cast<std::size_t>(placeInFilteredView(id) - m_filteredView->begin());
    } else {
        m_position = m_index.positionOf(id);
    }
    m_eof = false;
}

void RecordSet::deleteCurrent() {
    const RowId id = viewAt(m_position);
    m_index.remove(id);
    if (m_filteredView)
        m_filteredView->erase(m_filteredView->begin() + static_cast<std::ptrdiff_t>(m_position));
    m_live[id] = false;
    m_journal.noteRemoved(m_rows[id]);
    m_rows.mutableRow(id) = Row();
    ++m_deletedRows;
    m_equalityIndex.noteRemoved();
    m_changed = true;
    ++m_changeCount;

    const std::size_t remaining = viewSize();
    if (remaining == 0) {
        m_position = 0;
        m_eof = true;
    } else {
        m_position = std::min(m_position, remaining - 1);
        m_eof = false;
    }
}

PacketSnapshot RecordSet::snapshot() {
    // Dropping rows from blocks a snapshot holds copies them: worth it only
    // once many rows are deleted.
    const bool manyDeleted = m_deletedRows * 4 > m_rows.size();
    if (m_deletedRows > 0 && (manyDeleted || m_rows.sharedBlockCount() == 0))
        compact();
    PacketSnapshot snapshot{m_packet.fields, m_rows, {}, m_packet.dataPacketXmlLayout};
    if (m_deletedRows > 0)
        snapshot.live = m_live;
    return snapshot;
}

void RecordSet::compact() {
    std::vector<RowId> newIds(m_live.size(), 0);
    RowId kept = 0;
    for (RowId id = 0; id < m_live.size(); ++id) {
        if (!m_live[id])
            continue;
        newIds[id] = kept;
        ++kept;
    }
    m_rows.keepOnly(m_live);
    m_deletedRows = 0;
    m_index.renumber(newIds, m_live);
    m_equalityIndex.renumber(newIds, m_live);
    if (m_filteredView) {
        for (RowId& id : *m_filteredView)
            id = newIds[id];
    }
    if (m_pending && m_pending->row)
        m_pending->row = newIds[*m_pending->row];
    m_live.assign(kept, true);
}

void RecordSet::reopen() {
    m_pending.reset();
    m_filteredView.reset();
    m_changed = false;
    first();
}

} // namespace savrona
