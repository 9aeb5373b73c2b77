#pragma once

#include "data/packets/binary/BinaryPacket.h"

#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace savrona::cookbook {

// Records one table's rows and change log the way the engine keeps them while
// its log runs, so that merging the log gives the table's content:
//
// - Rows from before the log began come first, in order: state 0, not logged.
// - Inserting a record appends a row holding every value: state 4, logged
//   (row, 0, 4).
// - Modifying a record appends a row holding the values that changed, every
//   other field marked "same as replaced": state 8, logged (row, replaced, 8).
//   The row it replaces, the record's latest, gains bit 1.
// - Deleting a record frees every row that the record gained during the log
//   (state 32, every value null) and drops their log entries: a change that
//   ends in a deletion has nothing left to report. A record from before the
//   log then gains a row with every field "same as replaced": state 2, logged
//   (row, original row, 2), replacing its original row, which gains bit 1.
//
// So every logged row replaces at most one row and is replaced by at most
// one; the rows with none of the bits 1, 2 and 32 are the current records.
class ChangeLogRecorder {
public:
    using Record = std::vector<RawCell>; // one value or null per field
    using RecordKey = std::size_t;       // the caller's name for a record

    void addOriginal(RecordKey key, Record record);
    void insert(RecordKey key, Record record);
    // Throws savrona::Error when no value changes.
    void modify(RecordKey key, const Record& record);
    void remove(RecordKey key);

    const std::vector<RawRow>& rows() const { return m_rows; }
    const std::vector<ChangeLogEntry>& changeLog() const { return m_changeLog; }

private:
    struct RecordRows {
        std::optional<std::size_t> originalRow; // index, for a record from before the log
        std::size_t latestRow = 0;              // index
        std::vector<std::size_t> loggedRows;    // indexes of the rows gained during the log
        Record values;
    };

    std::size_t appendRow(std::uint8_t state, Record cells);
    void log(std::size_t rowIndex, std::optional<std::size_t> replacedRowIndex,
             ChangeLogEntry::Kind kind);
    void freeRow(std::size_t rowIndex);
    RecordRows& recordRows(RecordKey key);

    std::vector<RawRow> m_rows;
    std::vector<ChangeLogEntry> m_changeLog;
    std::map<RecordKey, RecordRows> m_records;
};

} // namespace savrona::cookbook
