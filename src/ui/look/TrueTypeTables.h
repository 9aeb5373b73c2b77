#pragma once

// The tables of a TrueType font file, read to derive a variant of the font in
// memory: a table changed, dropped or replaced, and the file written anew.

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace savrona {

// A new one has no tables.
class TrueTypeTables {
public:
    // Nothing when file is no TrueType font file, or a table of it lies
    // beyond its end.
    static std::optional<TrueTypeTables> read(const QByteArray& file);

    // Tags are four characters, as "OS/2" or "name".
    bool has(const QByteArray& tag) const;
    QByteArray table(const QByteArray& tag) const;
    void setTable(const QByteArray& tag, const QByteArray& data);
    void removeTable(const QByteArray& tag);

    // A big-endian 16-bit field at offset in a table; nothing, or false, when
    // the table is missing or too short for it.
    std::optional<quint16> field(const QByteArray& tag, int offset) const;
    bool setField(const QByteArray& tag, int offset, quint16 value);

    // The whole font file: the directory, then the tables in the order of
    // their tags, each with its checksum, the file's in "head".
    QByteArray file() const;

private:
    quint32 m_version = 0x00010000; // TrueType outlines
    std::map<QByteArray, QByteArray> m_tables;
};

// A "name" table that names a font family and style alone, in the Windows
// platform's Unicode names.
QByteArray fontNameTable(const QString& family, const QString& style);

} // namespace savrona
