// Tells a packet's form from its bytes and passes it to the binary or the XML reader.
#include "data/packets/PacketFormats.h"

#include "data/Error.h"
#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/packets/savrona-xml/XmlPacket.h"

namespace savrona {

namespace {

[[noreturn]] void throwNeitherForm() {
    throw Error(QStringLiteral("The data is neither a binary nor an XML data packet."));
}

} // namespace

Packet readPacket(QByteArrayView bytes) {
    if (hasBinaryPacketSignature(bytes))
        return mergeRawBinaryPacket(readRawBinaryPacket(bytes));
    if (looksLikeDataPacketXml(bytes))
        return readDataPacketXml(bytes);
    if (looksLikeXmlPacket(bytes))
        return readXmlPacket(bytes);
    throwNeitherForm();
}

void checkPacketStart(QByteArrayView firstBytes) {
    if (!hasBinaryPacketSignature(firstBytes) && !looksLikeXmlPacket(firstBytes))
        throwNeitherForm();
}

Packet readPacketInPlace(QByteArray&& bytes) {
    if (looksLikeDataPacketXml(bytes))
        return readDataPacketXml(std::move(bytes));
    if (!hasBinaryPacketSignature(bytes) && looksLikeXmlPacket(bytes))
        return readXmlPacketInPlace(std::move(bytes));
    return readPacket(QByteArrayView(bytes));
}

std::optional<Packet> readPacketLettingGo(QByteArray&& bytes) {
    if (looksLikeDataPacketXml(bytes))
        return readDataPacketXmlLettingGo(std::move(bytes));
    if (!hasBinaryPacketSignature(bytes) && looksLikeXmlPacket(bytes))
        return readXmlPacketLettingGo(std::move(bytes));
    return readPacket(QByteArrayView(bytes));
}

} // namespace savrona
