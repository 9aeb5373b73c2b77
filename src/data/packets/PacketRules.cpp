// Checks a row before it is written in either packet form.
#include "data/packets/PacketRules.h"

namespace savrona::packet_rules {

namespace {

QString kindOf(const Value& value) {
    return value.isInteger() ? QStringLiteral("number") : QStringLiteral("text");
}

bool fitsField(const Value& value, FieldType type) {
    if (value.isNull())
        return true;
    return type == FieldType::Integer ? value.isInteger() : value.isText();
}

} // namespace

bool holdsTooManyValues(std::uint64_t rowCount, std::uint64_t fieldCount,
                        std::uint64_t packetSize) {
    constexpr std::uint64_t valuesAlwaysAllowed = std::uint64_t(1) << 20;
    const std::uint64_t allowed = valuesAlwaysAllowed + 2 * packetSize;
    return fieldCount != 0 && rowCount > allowed / fieldCount;
}

void refuseTooManyValues(std::uint64_t rowCount, std::uint64_t fieldCount,
                         std::uint64_t packetSize) {
    if (holdsTooManyValues(rowCount, fieldCount, packetSize))
        throwDamaged(
            QStringLiteral("its %1 rows of %2 fields are too many for a packet of %3 bytes")
                .arg(rowCount)
                .arg(fieldCount)
                .arg(packetSize));
}

void checkRowCanBeWritten(const PacketView& packet, std::size_t rowIndex) {
    const Row& row = packet.rows[rowIndex];
    const std::size_t rowNumber = rowIndex + 1;
    if (row.size() != packet.fields.size())
        throwCannotWrite(QStringLiteral("row %1 has %2 values for %3 fields")
                             .arg(rowNumber)
                             .arg(row.size())
                             .arg(packet.fields.size()));
    for (std::size_t index = 0; index < row.size(); ++index) {
        const Value& value = row[index];
        const FieldDefinition& field = packet.fields[index];
        if (!fitsField(value, field.type))
            throwCannotWrite(QStringLiteral("row %1 holds a %2 in the field %3")
                                 .arg(rowNumber)
                                 .arg(kindOf(value), quoted(field.name)));
        if (value.isText() && !QByteArrayView(value.utf8()).isValidUtf8())
            throwCannotWrite(
                QStringLiteral("row %1 holds a text in the field %2 that is not valid UTF-8")
                    .arg(rowNumber)
                    .arg(quoted(field.name)));
    }
}

} // namespace savrona::packet_rules
