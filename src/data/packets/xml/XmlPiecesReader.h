#pragma once

// Reads a large XML data packet with its rows cut into pieces, one thread a
// piece, for a faster start on a large cookbook. It gives exactly the packet
// that the reader of the whole document (readXmlPacketOnOneThread) gives, or
// nothing when it cannot vouch for that (a malformed or unusual document);
// the caller then reads the whole document, which gives the packet or the
// exact message. The bytes are never changed, so that they are still there
// for that.

#include "data/Value.h"

#include <QByteArrayView>

#include <optional>

namespace savrona {

struct XmlPiecesSettings {
    int pieceCount = 1;                // threads, the calling one included
    qsizetype smallestRowsContent = 0; // bytes of <rows> content worth cutting
    qsizetype chunkSize = 1024 * 1024; // bytes a thread parses at a time
};

// A piece a core, up to four, for rows of 8 MiB or more.
XmlPiecesSettings defaultXmlPiecesSettings();

std::optional<Packet> readXmlPacketInPieces(QByteArrayView document,
                                            const XmlPiecesSettings& settings);

// The same on bytes the caller hands over for good: each page of them is
// given back to the system as soon as it is parsed, so that the whole file
// and all its rows are never held at once. When the reader declines after
// that, bytesLetGo is set and the bytes are no longer the document: the
// caller must read it again to give it to the whole reader.
std::optional<Packet> readXmlPacketInPiecesLettingGo(QByteArray& bytes,
                                                     const XmlPiecesSettings& settings,
                                                     bool& bytesLetGo);

} // namespace savrona
