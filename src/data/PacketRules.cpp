// Checks a row before it is written in either packet form.
#include "PacketRules.h"

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

void checkRowCanBeWritten(const Packet& packet, std::size_t rowIndex) {
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
