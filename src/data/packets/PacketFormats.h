#pragma once

// The one entry point for reading and writing data packets in either form, binary or XML.

#include "data/Value.h"
#include "data/packets/PacketView.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace savrona {

// Takes the bytes of a data file, one chunk after another.
using ChunkWriter = std::function<void(QByteArrayView chunk)>;

// Reads a data packet of either form, telling the form from the content:
// the binary form by its signature, the XML form by its markup, Savrona's
// own XML layout or the original engine's (<DATAPACKET>, DataPacketXml.h),
// which the packet then remembers. The rows
// returned are the table's current content, with any change log merged.
// Malformed input throws savrona::Error with a clear message.
Packet readPacket(QByteArrayView bytes);
// The same, reading the bytes in place where it can, without a copy of them:
// they are left unusable.
Packet readPacketInPlace(QByteArray&& bytes);
// The same, giving the memory of the bytes back as they are read, so that a
// large file and its rows are never held whole at once. Nothing when the
// bytes were let go of before the document turned out to need another
// reading (a malformed or unusual document): read the file again and give
// it to readPacketInPlace, which gives the packet or the exact message.
std::optional<Packet> readPacketLettingGo(QByteArray&& bytes);

// Throws the error readPacket gives for bytes of neither form when the first
// bytes of a data file cannot open a packet, so that such a file is refused
// before the rest of it is read.
void checkPacketStart(QByteArrayView firstBytes);

// The binary form, text recorded as UTF-8.
QByteArray writeBinaryPacket(const PacketView& packet);
inline QByteArray writeBinaryPacket(const Packet& packet) {
    return writeBinaryPacket(PacketView(packet));
}

// The XML form (docs/xml-data-packet.md): the original engine's layout for
// a packet read in it (packet.dataPacketXmlLayout), else Savrona's own, as UTF-8.
QByteArray writeXmlPacket(const PacketView& packet);
inline QByteArray writeXmlPacket(const Packet& packet) {
    return writeXmlPacket(PacketView(packet));
}
// The same bytes, handed to writer in chunks of a quarter megabyte as they are
// made, so that a large packet is never held whole.
void writeXmlPacket(const PacketView& packet, const ChunkWriter& writer);
inline void writeXmlPacket(const Packet& packet, const ChunkWriter& writer) {
    writeXmlPacket(PacketView(packet), writer);
}

} // namespace savrona
