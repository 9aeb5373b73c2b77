#pragma once

// Messages and checks shared by the readers and writers of both packet forms.

#include "Error.h"
#include "Value.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

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

// A row about to be written holds one value per field, each null or of the
// field's kind, texts in valid UTF-8: anything else could not be read back.
void checkRowCanBeWritten(const Packet& packet, std::size_t rowIndex);

} // namespace savrona::packet_rules
