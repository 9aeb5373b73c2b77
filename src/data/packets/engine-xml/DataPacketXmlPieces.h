#pragma once

// Reads the rows of a large document in the original engine's XML layout on several
// threads, for a faster start on a large cookbook kept in that layout.

#include "data/packets/engine-xml/DataPacketXmlOutline.h"
#include "data/packets/engine-xml/DataPacketXmlRows.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <QByteArrayView>

#include <optional>

namespace savrona::data_packet_xml {

struct PiecesRead {
    Outline outline;
    ReadRows rows;
};

// The outline and the rows, exactly as the reader of the whole document
// reads them, or nothing when it cannot vouch for that (a small, unusual or
// malformed document): the caller then reads the whole document, which
// gives the packet or the exact message. The document is taken as it is,
// its bytes as `bytes` says (ValidUtf8 or CodePage1252); a piece whose
// bytes or character references do not fit that (invalid UTF-8, a
// reference to a character beyond ASCII in code page 1252 or to none) is
// declined. The bytes are never changed.
std::optional<PiecesRead> readRowsInPieces(QByteArrayView document, ParsedBytes bytes,
                                           const std::optional<QByteArray>& declaredEncoding,
                                           const XmlPiecesSettings& settings);

} // namespace savrona::data_packet_xml
