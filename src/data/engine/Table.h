#pragma once

// The Table the cookbook works with, how a table is defined, and what an insert or an
// edit is given.

#include "data/Error.h"
#include "data/Value.h"
#include "data/engine/ChangeJournal.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace savrona {

// What a table is made from: its name (which prefixes its error messages),
// its fields in order, the field of its active index, and the packet it
// opens on when it is created.
struct TableDefinition {
    QString name;
    std::vector<FieldDefinition> fields;
    QString indexFieldName;
    std::optional<Packet> initialPacket;
};

// One entry of an insert or of a field-setting list, in field order:
// a value (integer, text or null), or leave the field as it is.
class FieldInput {
public:
    FieldInput(std::int32_t number) : m_value(Value::integer(number)) {}
    FieldInput(const QString& text) : m_value(Value::text(text)) {}
    FieldInput(const char* text) : m_value(Value::text(QString::fromUtf8(text))) {}
    FieldInput(std::nullptr_t) {}
    FieldInput(Value value) : m_value(std::move(value)) {}
    static FieldInput leaveAlone() {
        FieldInput input(nullptr);
        input.m_leaveAlone = true;
        return input;
    }

    bool isLeaveAlone() const { return m_leaveAlone; }
    const Value& value() const { return m_value; }

private:
    Value m_value;
    bool m_leaveAlone = false;
};

class CoupledWrites;
class DataFolder;
class TableEngine;
struct FileFingerprint;
struct LastSeenFile;

// An in-memory table stored whole in one data file: filter expressions, a
// cursor walking the active index order, inserts, edits and deletes, and the
// rules for when its data file is read and written.
// Every failure throws savrona::Error; the table's own messages carry its name
// in front ("dataSetRecipes: ..."), the filter reader's do not.
class Table {
public:
    // Creates the table open on the definition's initial packet.
    explicit Table(TableDefinition definition);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& name() const;

    // The folder in which the data file is read and written, fixed for the
    // whole run: by default the current directory when the table is created,
    // held by a descriptor (DataFolder.h).
    void setDataDirectory(const QString& folder);
    void setDataFolder(std::shared_ptr<const DataFolder> folder);
    const std::shared_ptr<const DataFolder>& dataFolder() const;

    // Couples the writes of tables whose files refer to each other, before
    // their first write (CoupledWrites.h): once either file is found changed
    // by another program, each table writes to its conflict copy of one pair
    // and goes on with its own records, leaving both files as they are.
    void coupleWrites(std::shared_ptr<CoupledWrites> coupling);

    // Set only while the table is closed. Empty: no data file.
    void setFileName(const QString& fileName);
    const QString& fileName() const;

    void open();
    // Writes a changed table with a file name to its file, and waits for
    // the writes still under way. A failed write throws WriteError and loses
    // nothing: the table is closed, its data waits to be written
    // (hasUnwrittenChanges), the next opening reopens on it and the next
    // close writes again. A file that another program changed since the
    // table read or wrote it is left as it is: the data goes to a conflict
    // copy beside it (WriteError, Kind::Conflict), and the next opening
    // reads the file.
    void close();
    bool isOpen() const;

    // A tree rebuild's reload: switches the filter off, closes, names the
    // file and opens. A changed table's data is written behind, on the
    // table's writer thread, from a snapshot that shares the records, while
    // the table reopens on them at once; at most one write runs and one
    // waits, the newest. A write that failed, or went to a conflict copy,
    // since the last report does not stop the reload: its WriteError is
    // returned for the caller to report. Other errors are thrown.
    std::optional<WriteError> reload(const QString& fileName);

    // Takes the rows of a merge of the table's records with the version of its data file
    // that another program wrote (read as fileRead, when it was there): the table is open on
    // them from now on, as if it had read them, and counts that version as the file last
    // seen, so that its next close replaces the file rather than writing a conflict copy.
    // sameAsFile: the rows are the file's, so the close writes nothing. Waits for the writes
    // under way first; a write that failed or went to a conflict copy is past (the merged
    // rows hold its records), and so is a conflict of the coupled writes.
    void takeMergedRows(std::vector<Row> rows, const std::optional<FileFingerprint>& fileRead,
                        bool sameAsFile);
    // The data file as the table last read or wrote it (TableWriter.h).
    LastSeenFile lastSeenFile() const;

    // Whether the table holds changes that are not in its file yet: open and
    // changed, being written, or after a write that failed.
    bool hasUnwrittenChanges() const;
    // On a closed table whose last write failed, tries that write again and
    // waits for it; the same outcomes as close(). Does nothing otherwise.
    void writeUnwrittenChanges();

    // Writes the table's data as it is in memory (open, kept since the last
    // close, or waiting after a failed write) to its file name in another
    // folder, at once, replacing a file there atomically; a table with no
    // data in memory opens first. Its own file, and what waits to be written
    // there, are left as they are; a table without a file name writes
    // nothing. Throws WriteError when the copy fails.
    void writeCopyTo(const DataFolder& folder);

    // Waits until nothing is being written or waiting to be written; with a
    // timeout, tells whether that came.
    void waitForWrites() const;
    bool waitForWrites(std::chrono::milliseconds timeout) const;
    // The failure of a write behind (or its conflict copy) not yet told,
    // taken so that it is told once. A later write that succeeded takes
    // the place of a failure.
    std::optional<WriteError> takeWriteFailure();
    // Called on the writer's thread when a write behind has ended, whatever
    // its outcome; an empty handler clears it, waiting for a call under way.
    void setWriteFinishedHandler(std::function<void()> handler);

    // Filter text and switch. Setting the text while the filter is off only
    // stores it; switching on, re-setting while on, and switching off all end
    // on the first record of the resulting view.
    void setFilter(const QString& expression);
    const QString& filter() const;
    void setFiltered(bool on);
    bool isFiltered() const;

    int recordCount() const; // of the current view
    void first();
    void next();
    bool eof() const;

    // The current record's value. A memo reads as an empty text when null or
    // when the view is empty; any other field reads as null then.
    Value fieldByName(const QString& fieldName) const;
    // The same value converted; a null fails with "Invalid variant type conversion".
    QString textByName(const QString& fieldName) const;
    std::int32_t integerByName(const QString& fieldName) const;

    // Adds a record with values in field order; later fields stay null. The new
    // record becomes the current one.
    void insertRecord(const std::vector<FieldInput>& values);
    // Adds many records at once, each as insertRecord adds one given every
    // value (a row shorter than the fields leaves the later fields null). The
    // indexes are brought up to date once for all of them, so a large import
    // costs about what opening a table of that size costs. The last record
    // added becomes the current one.
    void insertRecords(std::vector<Row> rows);
    // Begins an edit of the current record (a new record in an empty view),
    // sets fields by position, and posts it.
    void edit();
    void setFields(const std::vector<FieldInput>& values);
    void post();
    void deleteRecord();

    void mergeChangeLog();
    // Set by insert, post and delete since the table was opened.
    bool isChanged() const;

    const std::vector<FieldDefinition>& fields() const;

    // Every stored record in index order, whatever the filter, without moving
    // the cursor; a pending edit is not among them.
    void forEachRecord(const std::function<void(const Row&)>& visit) const;
    // Moves on with every insert, post and delete, and when an opening reads
    // the data file; reopening on kept records keeps it. Equal revisions of
    // the open table mean the same records, so what is derived from them
    // (a search index) can be kept.
    std::uint64_t revision() const;
    // The inserts, posts and deletes since the last call, in order (a post's
    // row before and after). None when the rows cannot be told that way: the
    // first call, rows read anew from the data file since, a table that is
    // not open, or more changes than the journal keeps.
    std::optional<std::vector<RowChange>> takeChanges();

private:
    std::unique_ptr<TableEngine> m_engine;
};

} // namespace savrona
