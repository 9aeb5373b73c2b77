#include "RecordSet.h"

#include <algorithm>

namespace savrona {

RecordSet::RecordSet(Packet packet, const QString& indexFieldName)
    : m_fields(std::move(packet.fields)), m_rows(std::move(packet.rows)) {
    m_indexField = fieldIndex(indexFieldName);
    m_live.assign(m_rows.size(), true);
    for (Row& row : m_rows)
        row.resize(m_fields.size());
    m_index.assign(m_rows, m_indexField);
    first();
}

std::optional<std::size_t> RecordSet::fieldIndex(QStringView name) const {
    // The exact spelling first: it is the usual case and much cheaper.
    for (const auto sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (std::size_t index = 0; index < m_fields.size(); ++index) {
            if (name.compare(m_fields[index].name, sensitivity) == 0)
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
        view = m_equalityIndex.find(equality->field, equality->constant, m_rows, m_live);
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
    m_pending = PendingEdit{Row(m_fields.size()), std::nullopt};
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
}

void RecordSet::addPendingRow() {
    const auto id = static_cast<RowId>(m_rows.size());
    m_rows.push_back(std::move(m_pending->values));
    m_live.push_back(true);
    m_index.add(id, m_rows.back());
    m_equalityIndex.noteAdded(id, m_rows.back());
    if (m_filteredView)
        placeInView(id);
    moveCursorTo(id);
}

void RecordSet::storePendingEdit(RowId id) {
    Row before = std::exchange(m_rows[id], std::move(m_pending->values));
    const Row& after = m_rows[id];
    if (m_indexField && before[*m_indexField] != after[*m_indexField]) {
        m_index.change(id, after);
        if (m_filteredView) {
            std::erase(*m_filteredView, id);
            placeInView(id);
        }
    }
    m_equalityIndex.noteChanged(id, before, after);
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
    m_rows[id] = Row();
    m_equalityIndex.noteRemoved();
    m_changed = true;

    const std::size_t remaining = viewSize();
    if (remaining == 0) {
        m_position = 0;
        m_eof = true;
    } else {
        m_position = std::min(m_position, remaining - 1);
        m_eof = false;
    }
}

Packet RecordSet::takePacket() {
    Packet packet;
    packet.fields = m_fields;
    packet.rows.reserve(m_rows.size());
    for (std::size_t id = 0; id < m_rows.size(); ++id) {
        if (m_live[id])
            packet.rows.push_back(std::move(m_rows[id]));
    }
    m_rows.clear();
    m_live.clear();
    m_index.assign({}, std::nullopt);
    m_filteredView.reset();
    first();
    return packet;
}

} // namespace savrona
