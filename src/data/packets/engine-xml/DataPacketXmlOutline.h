#pragma once

// Everything of a parsed document in the original engine's XML layout but its rows:
// the declaration, <DATAPACKET>, the field definitions and the parameters with the
// change log, checked and kept for writing the document back.

#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXmlRows.h"
#include "data/Value.h"

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

// Reads and checks the parsed document but for the <ROW> elements; rowData
// is set to its <ROWDATA> element, whose children are checked to be <ROW>
// elements. declaredEncoding is the encoding the document's bytes were
// decoded by, as told from them before the parse. Throws Error.
Outline readOutline(const pugi::xml_document& document, ParsedBytes bytes,
                    const std::optional<QByteArray>& declaredEncoding, pugi::xml_node& rowData);

} // namespace savrona::data_packet_xml
