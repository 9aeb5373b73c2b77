#pragma once

// Everything of a parsed document in the original engine's XML layout but its rows:
// the declaration, the document type, <DATAPACKET>, the field definitions and the parameters with
// the change log, checked and kept for writing the document back.

#include "data/Value.h"
#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXmlRows.h"

#include <QByteArray>

#include <pugixml.hpp>

#include <optional>
#include <vector>

namespace savrona::data_packet_xml {

struct Outline {
    DataPacketXmlLayout layout;
    std::vector<FieldDefinition> fields;
    std::vector<QByteArray> rowNames; // each field's attribute name in <ROW>, as parsed
    std::vector<ChangeLogEntry> changeLog;
};

// What was told from the document's bytes before the parse, which the
// parse must agree with.
struct ToldBeforeParse {
    // The encoding the bytes were decoded by.
    std::optional<QByteArray> declaredEncoding;
    // The document type as it stands in the bytes, in UTF-8
    // (DataPacketXmlDocumentType.h).
    std::optional<QByteArray> documentType;
};

// Reads and checks the parsed document but for the <ROW> elements; rowData
// is set to its <ROWDATA> element, whose children are checked to be <ROW>
// elements. Throws Error.
Outline readOutline(const pugi::xml_document& document, ParsedBytes bytes,
                    const ToldBeforeParse& told, pugi::xml_node& rowData);

} // namespace savrona::data_packet_xml
