#include "initial-cookbook/ChangeLogRecorder.h"

#include "data/Error.h"

#include <algorithm>

namespace savrona::cookbook {

void ChangeLogRecorder::addOriginal(RecordKey key, Record record) {
    if (!m_changeLog.empty())
        throw Error(QStringLiteral("Records from before the log must come before every change"));
    const std::size_t row = appendRow(RowState::Current, record);
    m_records[key] = {row, row, {}, std::move(record)};
}

void ChangeLogRecorder::insert(RecordKey key, Record record) {
    const std::size_t row = appendRow(RowState::Inserted, record);
    log(row, std::nullopt, ChangeLogEntry::Insertion);
    m_records[key] = {std::nullopt, row, {row}, std::move(record)};
}

void ChangeLogRecorder::modify(RecordKey key, const Record& record) {
    RecordRows& rows = recordRows(key);
    Record cells;
    cells.reserve(record.size());
    for (std::size_t field = 0; field < record.size(); ++field)
        cells.push_back(record[field] == rows.values[field] ? RawCell::sameAsReplaced()
                                                            : record[field]);
    if (cells == Record(record.size(), RawCell::sameAsReplaced()))
        throw Error(QStringLiteral("A modification must change a value"));

    const std::size_t replaced = rows.latestRow;
    m_rows[replaced].state |= RowState::ReplacedByLaterRow;
    const std::size_t row = appendRow(RowState::Modified, std::move(cells));
    log(row, replaced, ChangeLogEntry::Modification);
    rows.latestRow = row;
    rows.loggedRows.push_back(row);
    rows.values = record;
}

void ChangeLogRecorder::remove(RecordKey key) {
    const RecordRows rows = recordRows(key);
    m_records.erase(key);
    for (const std::size_t row : rows.loggedRows)
        freeRow(row);
    if (!rows.originalRow)
        return;
    m_rows[*rows.originalRow].state |= RowState::ReplacedByLaterRow;
    const std::size_t row =
        appendRow(RowState::Deleted, Record(rows.values.size(), RawCell::sameAsReplaced()));
    log(row, rows.originalRow, ChangeLogEntry::Deletion);
}

std::size_t ChangeLogRecorder::appendRow(std::uint8_t state, Record cells) {
    m_rows.push_back({state, std::move(cells)});
    return m_rows.size() - 1;
}

void ChangeLogRecorder::log(std::size_t rowIndex, std::optional<std::size_t> replacedRowIndex,
                            ChangeLogEntry::Kind kind) {
    const auto rowNumber = [](std::size_t index) { return std::uint32_t(index + 1); };
    m_changeLog.push_back(
        {rowNumber(rowIndex), replacedRowIndex ? rowNumber(*replacedRowIndex) : 0, kind});
}

void ChangeLogRecorder::freeRow(std::size_t rowIndex) {
    RawRow& row = m_rows[rowIndex];
    row.state = RowState::FreeSlot;
    std::fill(row.cells.begin(), row.cells.end(), RawCell::null());
    std::erase_if(m_changeLog,
                  [rowIndex](const ChangeLogEntry& entry) { return entry.row == rowIndex + 1; });
}

ChangeLogRecorder::RecordRows& ChangeLogRecorder::recordRows(RecordKey key) {
    const auto found = m_records.find(key);
    if (found == m_records.end())
        throw Error(QStringLiteral("A record changed before it was added"));
    return found->second;
}

} // namespace savrona::cookbook
