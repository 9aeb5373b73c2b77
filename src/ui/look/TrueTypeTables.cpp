// Reading a TrueType font's table directory and writing the tables back as a file.
#include "ui/look/TrueTypeTables.h"

#include <QtEndian>

#include <bit>

namespace savrona {

namespace {

constexpr int directoryStart = 12;
constexpr int recordSize = 16;
constexpr int checksumAdjustmentOffset = 8; // in "head"
constexpr quint32 checksumMagic = 0xB1B0AFBA;

quint32 readUint32(const QByteArray& data, qsizetype at) {
    return qFromBigEndian<quint32>(data.constData() + at);
}

quint16 readUint16(const QByteArray& data, qsizetype at) {
    return qFromBigEndian<quint16>(data.constData() + at);
}

void appendUint32(QByteArray& data, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    data.append(bytes, 4);
}

void appendUint16(QByteArray& data, quint16 value) {
    char bytes[2];
    qToBigEndian(value, bytes);
    data.append(bytes, 2);
}

QByteArray paddedToFourBytes(QByteArray data) {
    data.append((4 - data.size() % 4) % 4, '\0');
    return data;
}

quint32 checksum(const QByteArray& data) {
    const QByteArray padded = paddedToFourBytes(data);
    quint32 sum = 0;
    for (qsizetype at = 0; at < padded.size(); at += 4)
        sum += readUint32(padded, at);
    return sum;
}

} // namespace

std::optional<TrueTypeTables> TrueTypeTables::read(const QByteArray& file) {
    if (file.size() < directoryStart)
        return std::nullopt;
    TrueTypeTables font;
    font.m_version = readUint32(file, 0);
    if (font.m_version != 0x00010000 && font.m_version != 0x74727565) // 1.0 or "true"
        return std::nullopt;
    const int count = readUint16(file, 4);
    if (file.size() < directoryStart + qsizetype(count) * recordSize)
        return std::nullopt;
    for (int index = 0; index < count; ++index) {
        const qsizetype record = directoryStart + qsizetype(index) * recordSize;
        const qint64 offset = readUint32(file, record + 8);
        const qint64 length = readUint32(file, record + 12);
        if (offset + length > file.size())
            return std::nullopt;
        font.m_tables[file.mid(record, 4)] = file.mid(offset, length);
    }
    return font;
}

bool TrueTypeTables::has(const QByteArray& tag) const {
    return m_tables.contains(tag);
}

QByteArray TrueTypeTables::table(const QByteArray& tag) const {
    const auto found = m_tables.find(tag);
    return found == m_tables.end() ? QByteArray() : found->second;
}

void TrueTypeTables::setTable(const QByteArray& tag, const QByteArray& data) {
    m_tables[tag] = data;
}

void TrueTypeTables::removeTable(const QByteArray& tag) {
    m_tables.erase(tag);
}

std::optional<quint16> TrueTypeTables::field(const QByteArray& tag, int offset) const {
    const auto found = m_tables.find(tag);
    if (found == m_tables.end() || offset < 0 || offset + 2 > found->second.size())
        return std::nullopt;
    return readUint16(found->second, offset);
}

bool TrueTypeTables::setField(const QByteArray& tag, int offset, quint16 value) {
    const auto found = m_tables.find(tag);
    if (found == m_tables.end() || offset < 0 || offset + 2 > found->second.size())
        return false;
    qToBigEndian(value, found->second.data() + offset);
    return true;
}

QByteArray TrueTypeTables::file() const {
    const auto count = quint16(m_tables.size());
    // The largest power of two not above the count, as the directory's
    // binary search wants it.
    const quint16 searchCount = count == 0 ? 0 : quint16(std::bit_floor(count));
    QByteArray file;
    appendUint32(file, m_version);
    appendUint16(file, count);
    appendUint16(file, quint16(searchCount * recordSize));
    appendUint16(file, quint16(searchCount == 0 ? 0 : std::bit_width(searchCount) - 1));
    appendUint16(file, quint16((count - searchCount) * recordSize));

    QByteArray body;
    qsizetype headOffset = -1;
    const qsizetype bodyStart = directoryStart + qsizetype(count) * recordSize;
    for (const auto& [tag, data] : m_tables) {
        QByteArray stored = data;
        if (tag == "head" && stored.size() >= checksumAdjustmentOffset + 4) {
            qToBigEndian(quint32(0), stored.data() + checksumAdjustmentOffset);
            headOffset = bodyStart + body.size();
        }
        file.append(tag);
        appendUint32(file, checksum(stored));
        appendUint32(file, quint32(bodyStart + body.size()));
        appendUint32(file, quint32(stored.size()));
        body.append(paddedToFourBytes(stored));
    }
    file.append(body);
    if (headOffset >= 0)
        qToBigEndian(quint32(checksumMagic - checksum(file)),
                     file.data() + headOffset + checksumAdjustmentOffset);
    return file;
}

QByteArray fontNameTable(const QString& family, const QString& style) {
    QString postScriptName = family + QLatin1Char('-') + style;
    postScriptName.remove(QLatin1Char(' '));
    // Family, style, full name and PostScript name, in the order of their IDs.
    const std::pair<quint16, QString> names[] = {
        {1, family}, {2, style}, {4, family + QLatin1Char(' ') + style}, {6, postScriptName}};
    constexpr quint16 windows = 3, unicode = 1, english = 0x0409;
    const auto count = quint16(std::size(names));
    QByteArray table;
    appendUint16(table, 0); // format
    appendUint16(table, count);
    appendUint16(table, quint16(6 + 12 * count));
    QByteArray strings;
    for (const auto& [id, text] : names) {
        QByteArray utf16;
        for (const QChar character : text)
            appendUint16(utf16, character.unicode());
        for (const quint16 value :
             {windows, unicode, english, id, quint16(utf16.size()), quint16(strings.size())})
            appendUint16(table, value);
        strings.append(utf16);
    }
    table.append(strings);
    return table;
}

} // namespace savrona
