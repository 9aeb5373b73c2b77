#pragma once

// Data files in the original engine's own XML data-packet layout (<DATAPACKET>), which
// the programs built on that engine write: read into a packet that remembers the
// layout, and written back in it.

#include "data/Value.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <QByteArray>
#include <QByteArrayView>

namespace savrona {

// True when the document's root element, past a byte order mark, white
// space, the declaration, comments, processing instructions and a document
// type, is <DATAPACKET>.
bool looksLikeDataPacketXml(QByteArrayView bytes);

// Reads a document of that layout (docs/xml-data-packet.md): the rows merged
// with the change log exactly as in the binary form, the rest of the layout
// kept in packet.dataPacketXmlLayout. Throws Error with a message naming the
// row and the attribute when the document is damaged, and naming the field
// type or the encoding that Savrona cannot read.
Packet readDataPacketXml(QByteArrayView bytes);
// The same, parsing the bytes in place when they are UTF-8: they are left
// unusable. A large document has its rows read on several threads, like
// Savrona's own XML packets (XmlPiecesReader.h).
Packet readDataPacketXml(QByteArray&& bytes);
// The same, giving the memory of the bytes back as the rows are read in
// pieces (readXmlRowsInPiecesLettingGo); nothing when the pieces reader let
// go of bytes and then declined (readPacketLettingGo in PacketFormats.h).
std::optional<Packet>
readDataPacketXmlLettingGo(QByteArray&& bytes,
                           const XmlPiecesSettings& settings = defaultXmlPiecesSettings());
// The whole document parsed at once on the calling thread, whatever its size.
Packet readDataPacketXmlOnOneThread(QByteArrayView bytes);
// The rows read in pieces with these settings; nothing when the pieces
// reader declines the document (readDataPacketXml then reads it whole).
std::optional<Packet> readDataPacketXmlInPieces(QByteArrayView bytes,
                                                const XmlPiecesSettings& settings);

// Writes the packet in the layout it was read in (precondition: it has
// one): the current rows only, without row states or change log, the field
// definitions as read, texts in UTF-8 when the declaration read said so and
// otherwise in code page 1252 with a character reference for every
// character outside it. Throws Error ("The data packet cannot be written:
// ...") for a packet that could not be read back.
QByteArray writeDataPacketXml(const PacketView& packet);
void writeDataPacketXml(const PacketView& packet, const ChunkWriter& writer);

} // namespace savrona
