#pragma once

// The working part of a Table, kept out of Table.h so that code using a table sees only
// its operations.

#include "data/engine/RecordSet.h"
#include "data/engine/Table.h"
#include "data/files/DataFile.h"
#include "data/files/DataFolder.h"
#include "data/files/TableWriter.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace savrona {

// Everything behind a Table: its life cycle (open and close with its data
// file, the packet kept in memory between a close and the next opening), its
// filter text and switch, and the checks and messages of every operation.
// The open data itself is a RecordSet.
//
// Opening takes, in this order: data that a failed write left behind (the
// file is then not read); the data file when it exists and is not empty; the
// kept records. Kept records serve one opening. A table that opened on its
// kept records because its file was missing counts as changed, so its next
// close writes the file. Records kept after they were read from the file, or
// written to it, stand in for it only when the whole folder went with it
// (deleted, or deleted and made again): then they are the only copy left. A
// file that cannot be read leaves the table closed, so a later close cannot
// overwrite it.
//
// A table keeps the records it last wrote to its file, or read from it when
// they did not change, with the file's fingerprint; records include their
// indexes. When the next opening finds the same file holding the same bytes,
// it takes those records instead of parsing the file and indexing the rows
// again: the rows read back would be the same, and so would their order.
//
// A changed table's close hands a snapshot of its records to the table's
// writer thread (TableWriter); the records are kept, shared with the
// snapshot, and the next opening reopens on them while the write is under way
// or after it failed. A write that fails loses nothing: the next close writes
// again (even without a change), and writeUnwrittenChanges() tries again while
// the table is closed. close() waits for the write; closeWritingBehind() does
// not.
//
// A table never replaces a file that another program changed since the table
// last read or wrote it: its data goes to a conflict copy beside the file
// instead, and the next opening reads the file as the other program left it.
// Tables whose writes are coupled (CoupledWrites) go on with their own records
// instead: each writes them to its copy of the pair for the rest of the run,
// and no opening reads either file again.
//
// The filter text and switch survive a close. When the switch is on at an
// opening, the filter is applied again; if its text no longer reads against
// the fields loaded, the switch goes off.
class TableEngine {
public:
    explicit TableEngine(TableDefinition definition);

    const QString& name() const { return m_name; }

    void setDataFolder(std::shared_ptr<const DataFolder> folder);
    const std::shared_ptr<const DataFolder>& dataFolder() const { return m_folder; }
    void setFileName(const QString& fileName);
    const QString& fileName() const { return m_fileName; }
    void coupleWrites(std::shared_ptr<CoupledWrites> coupling);

    void open();
    // Hands a changed table's data to its writer and waits for the write.
    void close();
    // Hands a changed table's data to its writer and returns at once;
    // returns a failure of an earlier write not yet told.
    std::optional<WriteError> closeWritingBehind();
    bool isOpen() const { return m_records.has_value(); }

    void takeMergedRows(std::vector<Row> rows, const std::optional<FileFingerprint>& fileRead,
                        bool sameAsFile);
    LastSeenFile lastSeenFile() const { return m_writer.lastSeenFile(); }

    bool hasUnwrittenChanges() const;
    void writeUnwrittenChanges();
    void writeCopyTo(const DataFolder& folder);
    std::optional<WriteError> takeWriteFailure() { return m_writer.takeFailure(); }
    void waitForWrites() const { m_writer.waitUntilIdle(); }
    bool waitForWrites(std::chrono::milliseconds timeout) const {
        return m_writer.waitUntilIdle(timeout);
    }
    void setWriteFinishedHandler(std::function<void()> handler) {
        m_writer.setFinishedHandler(std::move(handler));
    }

    void setFilter(const QString& expression);
    const QString& filter() const { return m_filterText; }
    // Switching off is allowed on a closed table too, so that a rebuild can
    // get past it to retry an opening that failed.
    void setFiltered(bool on);
    bool isFiltered() const { return m_filtered; }

    int recordCount() const;
    void first();
    void next();
    bool eof() const;

    Value fieldByName(const QString& fieldName) const;
    QString textByName(const QString& fieldName) const;
    std::int32_t integerByName(const QString& fieldName) const;

    void insertRecord(const std::vector<FieldInput>& values);
    void insertRecords(std::vector<Row> rows);
    void edit();
    void setFields(const std::vector<FieldInput>& values);
    void post();
    void deleteRecord();

    void mergeChangeLog();
    bool isChanged() const;

    const std::vector<FieldDefinition>& fields() const;

    void forEachRecord(const std::function<void(const Row&)>& visit) const;
    std::uint64_t revision() const;
    std::optional<std::vector<RowChange>> takeChanges();

private:
    [[noreturn]] void fail(const QString& text) const;
    RecordSet& openRecords();
    const RecordSet& openRecords() const;
    RecordSet& browsingRecords(); // posts a pending edit first
    std::size_t fieldIndex(const QString& fieldName) const;
    struct CurrentValue {
        const Value* value; // none when null or when the view is empty
        bool isMemo;
    };
    CurrentValue currentValue(const QString& fieldName) const;
    Value convertForField(const Value& value, const FieldDefinition& field) const;
    // One entry per value given; none for a leave-alone entry.
    std::vector<std::optional<Value>>
    convertInputs(const std::vector<FieldInput>& values,
                  const std::vector<FieldDefinition>& fields) const;
    static void applyInputs(RecordSet& records, std::vector<std::optional<Value>> converted);

    bool reopenOnRecordsHandedToWriter();
    bool staysOnOwnRecords() const;
    void reopenOnOwnRecords();
    void learnOfConflict();
    bool reopenOnReusableRecords();
    void openOnDataFile();
    void readDataFile();
    std::optional<Packet> readPacketFromFile(QByteArray&& bytes) const;
    Packet readWholePacketFromFile(QByteArray&& bytes) const;
    bool folderLostSinceLastOpening() const;
    void openOn(RecordSet&& records, bool changed);
    void forgetLastSeenFile();
    FilterExpression parseFilter(const QString& expression) const;

    QString m_name;
    QString m_indexFieldName;
    std::shared_ptr<const DataFolder> m_folder;
    // The folder's replacements (DataFolder::replacements) at the last opening.
    std::uint64_t m_folderReplacementsAtOpening = 0;
    QString m_fileName;
    std::vector<FieldDefinition> m_lastFields;

    std::optional<RecordSet> m_records;     // present while open
    std::optional<RecordSet> m_keptRecords; // serve the next opening
    // Whether the kept records may open a table whose file is missing, or only
    // stand in for the file their fingerprint names.
    bool m_keptRecordsServeMissingFile = true;
    std::optional<FileFingerprint> m_keptRecordsFile; // the file the kept rows equal
    std::optional<FileFingerprint> m_openedFile;      // the file the open rows came from
    // Whether the kept (or open, unchanged) records are the data last
    // handed to the writer, written or still to be written.
    bool m_writerHasRecords = false;
    TableWriter m_writer;

    QString m_filterText;
    bool m_filtered = false;
    // Data files read so far: rows read anew start a new line of revisions.
    std::uint64_t m_fileReadings = 0;
    // The file readings at the last takeChanges: rows read since are all new.
    std::optional<std::uint64_t> m_fileReadingsAtLastTake;
};

} // namespace savrona
