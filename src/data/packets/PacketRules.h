#pragma once

// Messages and checks shared by the readers and writers of both packet forms.

#include "data/Error.h"
#include "data/Value.h"
#include "data/packets/PacketView.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <cstdint>

namespace savrona::packet_rules {

[[noreturn]] inline void throwDamaged(const QString& detail) {
    throw Error(QStringLiteral("The data packet is damaged: %1.").arg(detail));
}

[[noreturn]] inline void throwCannotWrite(const QString& detail) {
    throw Error(QStringLiteral("The data packet cannot be written: %1.").arg(detail));
}

// A name from a packet, between double quotes, for a message.
inline QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

inline QString quotedBytes(QByteArrayView name) {
    return quoted(QString::fromUtf8(name));
}

// A field name read from a packet. Unlike QString::fromUtf8, keeps a leading
// U+FEFF (a byte order mark) as part of the name.
inline QString fieldNameFromUtf8(QByteArrayView utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(utf8);
}

// Every value of a table's rows takes memory of its own, null or not, while a
// packet can hold a null in two bits, or a row of nulls in a few bytes. So
// that the memory of the rows stays within a small multiple of the packet's
// size, a packet may hold a million values, and beyond that no more values
// than two for each of its bytes: one that declares more is refused before
// its rows are made. A cookbook's file holds far fewer.
bool holdsTooManyValues(std::uint64_t rowCount, std::uint64_t fieldCount, std::uint64_t packetSize);
void refuseTooManyValues(std::uint64_t rowCount, std::uint64_t fieldCount,
                         std::uint64_t packetSize);

// A row about to be written holds one value per field, each null or of the
// field's kind, texts in valid UTF-8: anything else could not be read back.
void checkRowCanBeWritten(const PacketView& packet, std::size_t rowIndex);

} // namespace savrona::packet_rules
