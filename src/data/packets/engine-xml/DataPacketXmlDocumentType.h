#pragma once

// The document type of a document in the original engine's XML layout, told from its
// bytes before the parse, exactly where the XML parser finds it: kept to be written
// back as it stands, with the entities it declares, whose references in the texts are
// kept as they stand too. No entity is ever expanded, and nothing outside the file is
// ever read.

#include "data/packets/engine-xml/DataPacketXmlEncoding.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace savrona::data_packet_xml {

// What stands before the root element.
struct Prolog {
    // Up to the root element's '<', or to whatever the prolog cannot hold.
    qsizetype length = 0;
    // "<!DOCTYPE" to its closing '>', as in the document's bytes; its first
    // one when the document, wrongly, has more.
    std::optional<QByteArrayView> documentType;
};

// The byte order mark, white space, the declaration, comments, processing
// instructions and document types at the start of the document, as the
// parser reads them. A document type that the parser refuses ends the
// prolog where it starts, and is not given.
Prolog prologOf(QByteArrayView document);

// The general entities the document type declares, by name, but the five
// that XML predefines: the parser reads those itself.
EntityNames declaredEntityNames(QByteArrayView documentType);

// Checks the entity references of the document after its prolog, which has
// the document type (its encoding that of the bytes), as the parser reads
// them: each must name an entity the document type declares, and no text
// may spell out such a reference in other ways (the ampersand written as
// "&amp;", a character of it as a character reference), which would be
// written back as the reference. Throws Error naming the byte.
void checkEntityReferences(QByteArrayView document, const Prolog& prolog, SourceEncoding encoding);

// The document type in UTF-8, converted from the document's encoding.
QByteArray documentTypeInUtf8(QByteArrayView documentType, SourceEncoding encoding);

} // namespace savrona::data_packet_xml
