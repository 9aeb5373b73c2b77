// Reading and writing the binary packet byte for byte, with a check on every length and
// offset; the merge into table content is in BinaryPacketMerge.cpp.
#include "data/packets/binary/BinaryPacket.h"

#include "data/Error.h"
#include "data/packets/PacketRules.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace savrona {

using namespace packet_rules;

namespace {

constexpr char signature[] = {char(0x96), char(0x19), char(0xE0), char(0xBD)};
constexpr std::uint32_t supportedVersion = 1;
constexpr std::uint32_t headerSize = 24;
constexpr int maximumNameLength = std::numeric_limits<std::uint8_t>::max();

bool isLengthSize(std::uint16_t size) {
    return size == 1 || size == 2 || size == 4;
}

qsizetype indicatorByteCount(qsizetype fieldCount) {
    return (2 * fieldCount + 7) / 8;
}

// Reads little-endian numbers and byte runs, refusing to step past the end.
// The place being read names itself in the message when the packet ends early.
class PacketCursor {
public:
    explicit PacketCursor(QByteArrayView bytes) : m_bytes(bytes) {}

    void enter(const char* place, std::uint32_t number = 0) {
        m_place = place;
        m_placeNumber = number;
    }

    QByteArrayView take(std::uint64_t count) {
        if (count > std::uint64_t(remaining()))
            throwEndedEarly();
        const QByteArrayView run = m_bytes.sliced(m_position, qsizetype(count));
        m_position += qsizetype(count);
        return run;
    }

    std::uint8_t takeUnsigned8() { return static_cast<std::uint8_t>(take(1)[0]); }
    std::uint16_t takeUnsigned16() { return qFromLittleEndian<std::uint16_t>(take(2).data()); }
    std::uint32_t takeUnsigned32() { return qFromLittleEndian<std::uint32_t>(take(4).data()); }

    // A length stored in 1, 2 or 4 bytes.
    std::uint32_t takeLength(std::uint16_t size) {
        switch (size) {
        case 1:
            return takeUnsigned8();
        case 2:
            return takeUnsigned16();
        default:
            return takeUnsigned32();
        }
    }

    qsizetype position() const { return m_position; }
    qsizetype remaining() const { return m_bytes.size() - m_position; }

private:
    [[noreturn]] void throwEndedEarly() const {
        const QString place =
            m_placeNumber == 0
                ? QString::fromLatin1(m_place)
                : QStringLiteral("%1 %2").arg(QLatin1String(m_place)).arg(m_placeNumber);
        throwDamaged(QStringLiteral("it ends inside %1").arg(place));
    }

    QByteArrayView m_bytes;
    qsizetype m_position = 0;
    const char* m_place = "the header";
    std::uint32_t m_placeNumber = 0;
};

RawProperty readProperty(PacketCursor& cursor) {
    RawProperty property;
    property.name = cursor.take(cursor.takeUnsigned8()).toByteArray();
    property.size = cursor.takeUnsigned16();
    property.type = cursor.takeUnsigned16();
    if (property.isArray()) {
        if (property.isVariableLength() || property.size == 0)
            throwDamaged(QStringLiteral("the property %1 has an array type Savrona cannot read")
                             .arg(quotedBytes(property.name)));
        const std::uint64_t count = cursor.takeUnsigned32();
        property.value = cursor.take(count * property.size).toByteArray();
    } else if (property.isVariableLength()) {
        if (!isLengthSize(property.size))
            throwDamaged(QStringLiteral("the property %1 has a length of %2 bytes")
                             .arg(quotedBytes(property.name))
                             .arg(property.size));
        property.value = cursor.take(cursor.takeLength(property.size)).toByteArray();
    } else {
        property.value = cursor.take(property.size).toByteArray();
    }
    return property;
}

std::vector<RawProperty> readProperties(PacketCursor& cursor) {
    const std::uint16_t count = cursor.takeUnsigned16();
    // The count comes from the packet: room for no more properties than the
    // bytes left can hold, five bytes each at the least.
    std::vector<RawProperty> properties;
    properties.reserve(std::min<std::size_t>(count, std::size_t(cursor.remaining() / 5)));
    for (std::uint16_t index = 0; index < count; ++index)
        properties.push_back(readProperty(cursor));
    return properties;
}

RawField readField(PacketCursor& cursor) {
    RawField field;
    field.name = cursor.take(cursor.takeUnsigned8()).toByteArray();
    field.size = cursor.takeUnsigned16();
    field.type = cursor.takeUnsigned16();
    field.attributes = cursor.takeUnsigned16();
    field.properties = readProperties(cursor);
    if ((field.type & BinaryType::Array) != 0)
        throwDamaged(QStringLiteral("the field %1 is an array, which Savrona cannot read")
                         .arg(quotedBytes(field.name)));
    if (field.isVariableLength() && !isLengthSize(field.size))
        throwDamaged(QStringLiteral("the field %1 has a length of %2 bytes")
                         .arg(quotedBytes(field.name))
                         .arg(field.size));
    return field;
}

RawCell readCell(PacketCursor& cursor, const RawField& field, CellIndicator indicator) {
    if (indicator != CellIndicator::Value)
        return {indicator, {}};
    const std::uint32_t length =
        field.isVariableLength() ? cursor.takeLength(field.size) : field.size;
    return {indicator, cursor.take(length).toByteArray()};
}

RawRow readRow(PacketCursor& cursor, const std::vector<RawField>& fields, std::uint32_t rowNumber) {
    cursor.enter("row", rowNumber);
    RawRow row;
    row.state = cursor.takeUnsigned8();
    const QByteArrayView indicators = cursor.take(indicatorByteCount(qsizetype(fields.size())));
    row.cells.reserve(fields.size());
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const int bits =
            (static_cast<unsigned char>(indicators[qsizetype(index / 4)]) >> (2 * (index % 4))) & 3;
        if (bits == 3)
            throwDamaged(QStringLiteral("row %1 has an unknown null indicator for the field %2")
                             .arg(rowNumber)
                             .arg(quotedBytes(fields[index].name)));
        row.cells.push_back(readCell(cursor, fields[index], CellIndicator(bits)));
    }
    const std::size_t usedBits = 2 * (fields.size() % 4);
    if (usedBits != 0 && (static_cast<unsigned char>(indicators.back()) >> usedBits) != 0)
        throwDamaged(
            QStringLiteral("row %1 has stray bits after its null indicators").arg(rowNumber));
    return row;
}

std::vector<RawRow> readRows(PacketCursor& cursor, const std::vector<RawField>& fields,
                             std::uint32_t rowCount, qsizetype packetSize) {
    // The count comes from the packet: reserve no more rows than its bytes can
    // hold, and beyond a first block let the rows grow as they are read.
    constexpr std::uint64_t largestReservation = 1 << 16;
    const qsizetype smallestRow = 1 + indicatorByteCount(qsizetype(fields.size()));
    const std::uint64_t rowsThatFit =
        std::min(std::uint64_t(rowCount), std::uint64_t(cursor.remaining() / smallestRow));
    // Rows of nulls take two bits a value here and far more in memory.
    refuseTooManyValues(rowsThatFit, fields.size(), std::uint64_t(packetSize));
    std::vector<RawRow> rows;
    rows.reserve(std::min(rowsThatFit, largestReservation));
    for (std::uint32_t index = 0; index < rowCount; ++index)
        rows.push_back(readRow(cursor, fields, index + 1));
    return rows;
}

class PacketWriter {
public:
    void appendUnsigned8(std::uint8_t number) { m_bytes.append(char(number)); }
    void appendUnsigned16(std::uint16_t number) { appendLittleEndian(number); }
    void appendUnsigned32(std::uint32_t number) { appendLittleEndian(number); }
    void appendBytes(QByteArrayView bytes) { m_bytes.append(bytes); }

    void appendLength(std::uint16_t size, qsizetype length, QByteArrayView owner) {
        const std::uint64_t largest = size == 1   ? std::numeric_limits<std::uint8_t>::max()
                                      : size == 2 ? std::numeric_limits<std::uint16_t>::max()
                                                  : std::numeric_limits<std::uint32_t>::max();
        if (std::uint64_t(length) > largest)
            throwCannotWrite(QStringLiteral("a value of %1 is too long for its %2-byte length")
                                 .arg(quotedBytes(owner))
                                 .arg(size));
        if (size == 1)
            appendUnsigned8(std::uint8_t(length));
        else if (size == 2)
            appendUnsigned16(std::uint16_t(length));
        else
            appendUnsigned32(std::uint32_t(length));
    }

    void appendName(QByteArrayView name) {
        if (name.size() > maximumNameLength)
            throwCannotWrite(
                QStringLiteral("the name %1 is longer than 255 bytes").arg(quotedBytes(name)));
        appendUnsigned8(std::uint8_t(name.size()));
        appendBytes(name);
    }

    void patchUnsigned16(qsizetype position, std::uint16_t number) {
        qToLittleEndian(number, m_bytes.data() + position);
    }

    qsizetype size() const { return m_bytes.size(); }
    QByteArray take() { return std::move(m_bytes); }

private:
    template <typename Number> void appendLittleEndian(Number number) {
        char bytes[sizeof(Number)];
        qToLittleEndian(number, bytes);
        m_bytes.append(bytes, sizeof(Number));
    }

    QByteArray m_bytes;
};

void writeProperty(PacketWriter& writer, const RawProperty& property) {
    writer.appendName(property.name);
    writer.appendUnsigned16(property.size);
    writer.appendUnsigned16(property.type);
    if (property.isArray()) {
        if (property.isVariableLength() || property.size == 0 ||
            property.value.size() % property.size != 0)
            throwCannotWrite(QStringLiteral("the array property %1 does not hold whole elements")
                                 .arg(quotedBytes(property.name)));
        const std::uint64_t count = std::uint64_t(property.value.size()) / property.size;
        if (count > std::numeric_limits<std::uint32_t>::max())
            throwCannotWrite(
                QStringLiteral("the property %1 is too long").arg(quotedBytes(property.name)));
        writer.appendUnsigned32(std::uint32_t(count));
    } else if (property.isVariableLength()) {
        if (!isLengthSize(property.size))
            throwCannotWrite(QStringLiteral("the property %1 has a length of %2 bytes")
                                 .arg(quotedBytes(property.name))
                                 .arg(property.size));
        writer.appendLength(property.size, property.value.size(), property.name);
    } else if (property.value.size() != property.size) {
        throwCannotWrite(QStringLiteral("the property %1 does not hold %2 bytes")
                             .arg(quotedBytes(property.name))
                             .arg(property.size));
    }
    writer.appendBytes(property.value);
}

void writeProperties(PacketWriter& writer, const std::vector<RawProperty>& properties) {
    if (properties.size() > std::numeric_limits<std::uint16_t>::max())
        throwCannotWrite(QStringLiteral("there are more than 65535 properties in one place"));
    writer.appendUnsigned16(std::uint16_t(properties.size()));
    for (const RawProperty& property : properties)
        writeProperty(writer, property);
}

void writeField(PacketWriter& writer, const RawField& field) {
    if ((field.type & BinaryType::Array) != 0 ||
        (field.isVariableLength() && !isLengthSize(field.size)))
        throwCannotWrite(QStringLiteral("the field %1 has a type or size that cannot be laid out")
                             .arg(quotedBytes(field.name)));
    writer.appendName(field.name);
    writer.appendUnsigned16(field.size);
    writer.appendUnsigned16(field.type);
    writer.appendUnsigned16(field.attributes);
    writeProperties(writer, field.properties);
}

void writeCell(PacketWriter& writer, const RawField& field, const RawCell& cell) {
    if (cell.indicator != CellIndicator::Value) {
        if (!cell.bytes.isEmpty())
            throwCannotWrite(QStringLiteral("a cell of the field %1 holds bytes but no value")
                                 .arg(quotedBytes(field.name)));
        return;
    }
    if (field.isVariableLength())
        writer.appendLength(field.size, cell.bytes.size(), field.name);
    else if (cell.bytes.size() != field.size)
        throwCannotWrite(QStringLiteral("a value of the field %1 does not hold %2 bytes")
                             .arg(quotedBytes(field.name))
                             .arg(field.size));
    writer.appendBytes(cell.bytes);
}

void writeRow(PacketWriter& writer, const std::vector<RawField>& fields, const RawRow& row,
              std::size_t rowNumber) {
    if (row.cells.size() != fields.size())
        throwCannotWrite(QStringLiteral("row %1 has %2 cells for %3 fields")
                             .arg(rowNumber)
                             .arg(row.cells.size())
                             .arg(fields.size()));
    writer.appendUnsigned8(row.state);
    QByteArray indicators(indicatorByteCount(qsizetype(fields.size())), '\0');
    for (std::size_t index = 0; index < fields.size(); ++index)
        indicators[qsizetype(index / 4)] |=
            char(std::uint8_t(row.cells[index].indicator) << (2 * (index % 4)));
    writer.appendBytes(indicators);
    for (std::size_t index = 0; index < fields.size(); ++index)
        writeCell(writer, fields[index], row.cells[index]);
}

std::uint32_t readUnsignedOfSize(QByteArrayView bytes) {
    switch (bytes.size()) {
    case 1:
        return static_cast<std::uint8_t>(bytes[0]);
    case 2:
        return qFromLittleEndian<std::uint16_t>(bytes.data());
    default:
        return qFromLittleEndian<std::uint32_t>(bytes.data());
    }
}

QByteArray unsignedBytes(std::uint32_t number, std::uint16_t size) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    bytes.truncate(size);
    return bytes;
}

const RawProperty* findPropertyIn(const std::vector<RawProperty>& properties, QByteArrayView name) {
    const auto found =
        std::find_if(properties.begin(), properties.end(),
                     [name](const RawProperty& property) { return property.name == name; });
    return found == properties.end() ? nullptr : &*found;
}

constexpr QByteArrayView changeLogName = "CHANGE_LOG";

} // namespace

RawProperty RawProperty::unsignedInteger(QByteArray name, std::uint16_t number) {
    return {std::move(name), 2, BinaryType::UnsignedInteger, unsignedBytes(number, 2)};
}

RawProperty RawProperty::text(QByteArray name, QByteArray bytes, std::uint16_t lengthSize) {
    return {std::move(name), lengthSize, BinaryType::Text | BinaryType::VariableLength,
            std::move(bytes)};
}

RawProperty RawProperty::unsignedArray(QByteArray name,
                                       const std::vector<std::uint32_t>& elements) {
    QByteArray value;
    value.reserve(qsizetype(elements.size() * 4));
    for (const std::uint32_t element : elements)
        value.append(unsignedBytes(element, 4));
    return {std::move(name), 4, BinaryType::UnsignedInteger | BinaryType::Array, std::move(value)};
}

std::uint32_t RawProperty::toUnsigned() const {
    if (isArray() || isVariableLength() || !isLengthSize(size) || value.size() != size)
        throwDamaged(QStringLiteral("the property %1 is not a number").arg(quotedBytes(name)));
    return readUnsignedOfSize(value);
}

std::vector<std::uint32_t> RawProperty::toUnsignedArray() const {
    if (!isArray() || isVariableLength() || size != 4 || value.size() % 4 != 0)
        throwDamaged(QStringLiteral("the property %1 is not an array of 32-bit numbers")
                         .arg(quotedBytes(name)));
    std::vector<std::uint32_t> elements;
    elements.reserve(std::size_t(value.size() / 4));
    for (qsizetype position = 0; position < value.size(); position += 4)
        elements.push_back(qFromLittleEndian<std::uint32_t>(value.constData() + position));
    return elements;
}

const RawProperty* RawField::findProperty(QByteArrayView propertyName) const {
    return findPropertyIn(properties, propertyName);
}

RawField RawField::integer(QByteArray name) {
    return {std::move(name), 4, BinaryType::SignedInteger, FieldAttribute::UnNamed, {}};
}

RawField RawField::text(QByteArray name, std::uint16_t width, std::uint16_t lengthSize) {
    return {std::move(name),
            lengthSize,
            BinaryType::Text | BinaryType::VariableLength,
            FieldAttribute::UnNamed,
            {RawProperty::unsignedInteger("WIDTH", width)}};
}

RawField RawField::memo(QByteArray name) {
    return {std::move(name),
            4,
            BinaryType::Bytes | BinaryType::VariableLength,
            FieldAttribute::UnNamed,
            {RawProperty::text("SUBTYPE", QByteArray("Text", 5))}};
}

RawCell RawCell::integer(std::int32_t number) {
    return {CellIndicator::Value, unsignedBytes(std::uint32_t(number), 4)};
}

const RawProperty* RawBinaryPacket::findProperty(QByteArrayView propertyName) const {
    return findPropertyIn(properties, propertyName);
}

std::vector<ChangeLogEntry> RawBinaryPacket::changeLog() const {
    const RawProperty* property = findProperty(changeLogName);
    if (property == nullptr)
        return {};
    const std::vector<std::uint32_t> elements = property->toUnsignedArray();
    if (elements.size() % 3 != 0)
        throwDamaged(QStringLiteral("the change log does not hold whole entries"));
    std::vector<ChangeLogEntry> entries;
    entries.reserve(elements.size() / 3);
    for (std::size_t index = 0; index < elements.size(); index += 3)
        entries.push_back({elements[index], elements[index + 1], elements[index + 2]});
    return entries;
}

void RawBinaryPacket::setChangeLog(const std::vector<ChangeLogEntry>& entries) {
    std::erase_if(properties,
                  [](const RawProperty& property) { return property.name == changeLogName; });
    if (entries.empty())
        return;
    std::vector<std::uint32_t> elements;
    elements.reserve(entries.size() * 3);
    for (const ChangeLogEntry& entry : entries)
        elements.insert(elements.end(), {entry.row, entry.replacedRow, entry.kind});
    properties.push_back(RawProperty::unsignedArray(
        QByteArray(changeLogName.data(), changeLogName.size()), elements));
}

bool hasBinaryPacketSignature(QByteArrayView bytes) {
    return bytes.startsWith(QByteArrayView(signature, sizeof signature));
}

RawBinaryPacket readRawBinaryPacket(QByteArrayView bytes) {
    PacketCursor cursor(bytes);
    if (!hasBinaryPacketSignature(cursor.take(sizeof signature)))
        throw Error(QStringLiteral("The data is not a binary data packet."));
    const std::uint32_t version = cursor.takeUnsigned32();
    if (version != supportedVersion)
        throw Error(QStringLiteral("The data packet has version %1; Savrona reads version 1 only.")
                        .arg(version));
    if (cursor.takeUnsigned32() != headerSize)
        throwDamaged(QStringLiteral("its header size is not 24"));
    const std::uint16_t fieldCount = cursor.takeUnsigned16();
    const std::uint32_t rowCount = cursor.takeUnsigned32();
    RawBinaryPacket packet;
    packet.attributeWord = cursor.takeUnsigned32();
    const std::uint16_t firstRowOffset = cursor.takeUnsigned16();

    // Room for no more fields than the bytes left can describe, nine bytes
    // each at the least.
    packet.fields.reserve(std::min<std::size_t>(fieldCount, std::size_t(cursor.remaining() / 9)));
    for (std::uint16_t index = 0; index < fieldCount; ++index) {
        cursor.enter("field descriptor", index + 1u);
        packet.fields.push_back(readField(cursor));
    }
    cursor.enter("the packet properties");
    packet.properties = readProperties(cursor);
    if (cursor.position() != firstRowOffset)
        throwDamaged(QStringLiteral("its rows do not start where its descriptors end"));

    packet.rows = readRows(cursor, packet.fields, rowCount, bytes.size());
    if (cursor.remaining() != 0)
        throwDamaged(QStringLiteral("stray bytes follow its last row"));
    return packet;
}

QByteArray writeRawBinaryPacket(const RawBinaryPacket& packet) {
    if (packet.fields.size() > std::numeric_limits<std::uint16_t>::max())
        throwCannotWrite(QStringLiteral("it has more than 65535 fields"));
    if (packet.rows.size() > std::numeric_limits<std::uint32_t>::max())
        throwCannotWrite(QStringLiteral("it has too many rows"));

    PacketWriter writer;
    writer.appendBytes(QByteArrayView(signature, sizeof signature));
    writer.appendUnsigned32(supportedVersion);
    writer.appendUnsigned32(headerSize);
    writer.appendUnsigned16(std::uint16_t(packet.fields.size()));
    writer.appendUnsigned32(std::uint32_t(packet.rows.size()));
    writer.appendUnsigned32(packet.attributeWord);
    const qsizetype firstRowOffsetPosition = writer.size();
    writer.appendUnsigned16(0);

    for (const RawField& field : packet.fields)
        writeField(writer, field);
    writeProperties(writer, packet.properties);
    if (writer.size() > std::numeric_limits<std::uint16_t>::max())
        throwCannotWrite(QStringLiteral("its field descriptors and properties exceed 64 KB"));
    writer.patchUnsigned16(firstRowOffsetPosition, std::uint16_t(writer.size()));

    for (std::size_t index = 0; index < packet.rows.size(); ++index)
        writeRow(writer, packet.fields, packet.rows[index], index + 1);
    return writer.take();
}

} // namespace savrona
