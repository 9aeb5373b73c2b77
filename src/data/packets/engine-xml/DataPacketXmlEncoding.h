#pragma once

// The character encodings of the original engine's XML data packets: which one a
// document is in, its bytes turned into UTF-8 for the parser, and texts turned back
// into the encoding a file is written in.

#include "data/packets/engine-xml/DataPacketXmlLayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>

#include <optional>

namespace savrona::data_packet_xml {

// How a document's bytes are read: UTF-8, or code page 1252 (also for a
// declared ISO-8859-1, as Windows programs write it).
enum class SourceEncoding { Utf8, CodePage1252 };

// How texts are written back (see DataPacketXmlLayout::declaration).
enum class TargetEncoding {
    Utf8,
    CodePage1252,
    // Declared ISO-8859-1: the bytes 80 to 9F, which that encoding reads as
    // control characters, are written as references too, so that a reader of
    // either code page gets the same text.
    CodePage1252AsLatin1,
    // No encoding declared, and the code page bytes of every text would be
    // valid UTF-8, which is how a file without a declaration is then read:
    // every character beyond ASCII is written as a reference, so that the
    // file reads the same either way. Names are written in the code page.
    CodePage1252AsAscii,
};

// The value of the encoding in the XML declaration at the start of the
// document (past a byte order mark and white space); nothing without a
// declaration or an encoding in it.
std::optional<QByteArray> declaredEncodingName(QByteArrayView document);

// The encoding of the document's bytes by its declaration, or without one,
// UTF-8 when they are valid UTF-8 and code page 1252 otherwise. Throws Error
// for an encoding Savrona cannot read.
SourceEncoding sourceEncodingOf(QByteArrayView document);

// The encoding a file of that declaration is written in; CodePage1252 when
// it declares none (see CodePage1252AsAscii).
TargetEncoding targetEncodingOf(const XmlAttributes& declaration);
bool declaresEncoding(const XmlAttributes& declaration);

bool isAscii(QByteArrayView bytes);

// The bytes a text is written as in code page 1252, with '?' for each
// character written as a reference.
QByteArray codePage1252BytesOf(QByteArrayView utf8);

// Code page 1252 bytes as UTF-8; the five bytes the code page leaves
// undefined become the control characters of the same number.
QByteArray codePage1252ToUtf8(QByteArrayView bytes);

// The offset in code page 1252 bytes of the byte that codePage1252ToUtf8
// put at utf8Offset, for the messages.
qsizetype codePage1252OffsetOf(QByteArrayView bytes, qsizetype utf8Offset);

// What the character references of a document give, read as the parser
// reads them ("&#" or "&#x", digits, ";"; the number modulo 2^32).
struct CharacterReferences {
    // "&#0;" (or a number that wraps to 0) makes the parser end a value
    // there and drop the rest of it.
    bool holdNull = false;
    bool allEncodable = true; // no surrogate, nothing beyond U+10FFFF
    bool allAscii = true;
};
CharacterReferences scanCharacterReferences(QByteArrayView document);

// Whether the text can stand as an attribute name, as each field's name
// must in <ROW>: XML's name rules, every character beyond ASCII allowed.
bool isXmlName(QByteArrayView name);
// Whether the byte can be part of such a name (every byte beyond ASCII can).
bool isXmlNameByte(unsigned char byte);

// The name of the entity reference "&name;" whose '&' is at ampersand in the
// text; nothing when none starts there. The five predefined entities are
// references too.
std::optional<QByteArrayView> entityReferenceNameAt(QByteArrayView text, qsizetype ampersand);

// The names of the general entities that a document type declares, whose
// references the texts of its document keep as they stand (docs/xml-data-packet.md).
using EntityNames = QSet<QByteArray>;

// A name (of an element or an attribute) in the target encoding; nothing
// when a character of it has no byte there, since a name cannot be written
// as references.
std::optional<QByteArray> encodedName(QByteArrayView utf8, TargetEncoding encoding);

// Appends a text as the value of an attribute between double quotes: '&',
// '<', '"', tab, line feed and carriage return as references, like every
// other control character and every character the target encoding has no
// byte for; but "&name;" for an entity of keptReferences stays a reference.
// False, with out unchanged, for a text holding U+0000, which no XML
// document can carry, not even as a reference.
bool appendAttributeValue(QByteArray& out, QByteArrayView utf8, TargetEncoding encoding,
                          const EntityNames& keptReferences = {});

} // namespace savrona::data_packet_xml
