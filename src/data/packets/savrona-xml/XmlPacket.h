#pragma once

// Reading the XML form of a data packet, and the names of its field types.

#include "data/Value.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The XML data packet (docs/xml-data-packet.md):
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <savrona-data version="2">
//     <fields>
//       <field name="ID" type="integer"/>
//       <field name="Title" type="text" width="255"/>
//       <field name="Ingredients" type="memo"/>
//     </fields>
//     <rows>
//       <row f1="4" f2="Baked Brie"><l3>1 wheel of brie
//   2 apples</l3></row>
//     </rows>
//   </savrona-data>
//
// A row names its values by field position (f1 is the first field), so any
// field name works; an absent attribute is a null, an empty one an empty
// text. A text holding a character XML cannot carry at all (most control
// characters below U+0020, U+FFFE, U+FFFF) is written as eN instead of fN,
// with those characters as \uXXXX and the backslash as \\. A text of CR LF
// lines is written as an <lN> element, each CR LF a line feed (version 2;
// version 1 files have attributes only and still read).
// writeXmlPacket (PacketFormats.h) writes this form.

namespace savrona {

// True when the bytes, past a UTF-8 byte order mark and white space, begin with '<'.
bool looksLikeXmlPacket(QByteArrayView bytes);

// Reads the XML form; throws Error with a clear message when it is malformed.
// A large packet has its rows read on several threads (XmlPiecesReader.h).
Packet readXmlPacket(QByteArrayView bytes);
// The same, parsing the bytes in place when read on one thread: they are
// left unusable.
Packet readXmlPacketInPlace(QByteArray&& bytes);
// Nothing when the pieces reader let go of bytes and then declined
// (readPacketLettingGo in PacketFormats.h).
std::optional<Packet>
readXmlPacketLettingGo(QByteArray&& bytes,
                       const XmlPiecesSettings& settings = defaultXmlPiecesSettings());
// The whole document parsed at once on the calling thread, whatever its size.
Packet readXmlPacketOnOneThread(QByteArrayView bytes);
// The rows read in pieces with these settings, exactly the packet that
// readXmlPacketOnOneThread gives; nothing when the pieces reader declines.
std::optional<Packet> readXmlPacketInPieces(QByteArrayView document,
                                            const XmlPiecesSettings& settings);

// The names of the field types in the `type` attribute.
inline QByteArrayView xmlTypeNameOf(FieldType type) {
    switch (type) {
    case FieldType::Integer:
        return "integer";
    case FieldType::Text:
        return "text";
    case FieldType::Memo:
        break;
    }
    return "memo";
}

inline std::optional<FieldType> xmlFieldTypeNamed(QByteArrayView name) {
    for (const FieldType type : {FieldType::Integer, FieldType::Text, FieldType::Memo}) {
        if (xmlTypeNameOf(type) == name)
            return type;
    }
    return std::nullopt;
}

} // namespace savrona
