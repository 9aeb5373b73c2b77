#pragma once

// The Table the cookbook works with, how a table is defined, and what an insert or an
// edit is given.

#include "Error.h"
#include "Value.h"

#include <QString>

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

class TableEngine;

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
    // whole run (the current directory at start-up, by default).
    void setDataDirectory(const QString& folder);
    const QString& dataDirectory() const;

    // Set only while the table is closed. Empty: no data file.
    void setFileName(const QString& fileName);
    const QString& fileName() const;

    void open();
    void close();
    bool isOpen() const;

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

private:
    std::unique_ptr<TableEngine> m_engine;
};

} // namespace savrona
