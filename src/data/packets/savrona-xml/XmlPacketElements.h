#pragma once

// The elements of a parsed XML data packet, checked and turned into fields
// and rows. Shared by the reader of the whole document and the reader that
// takes the rows in pieces, so that both check exactly the same things in the
// same words. Every check throws Error with the reader's message.
//
// Field names and texts are checked to be UTF-8 one by one, as they are read:
// that covers both the document's bytes and what character references make
// of them, in one pass.

#include "data/Value.h"

#include <QByteArrayView>

#include <pugixml.hpp>

#include <cstdint>
#include <vector>

namespace savrona::xml_elements {

// How every XML data packet is parsed: references and line ends resolved,
// the declaration kept to check its encoding, CDATA kept as text (it may
// hold the lines of a value); comments, processing instructions and
// document types skipped.
constexpr unsigned int parseOptions = pugi::parse_escapes | pugi::parse_wconv_attribute |
                                      pugi::parse_eol | pugi::parse_declaration | pugi::parse_cdata;

// What a row may hold: version 1 rows give their values in attributes only,
// version 2 rows also in <lN> elements.
enum class RowForm { AttributesOnly, AttributesAndLines };

// The one root element <savrona-data version="1"> or version="2", its
// declaration checked.
pugi::xml_node checkedRootElement(const pugi::xml_document& document);

// The form of the rows of a checked root element.
RowForm rowFormOf(const pugi::xml_node& root);

// The one child element of the root with that name; text there is refused.
pugi::xml_node onlyChild(const pugi::xml_node& root, QByteArrayView name);

std::vector<FieldDefinition> readFields(const pugi::xml_node& fieldsElement);

// Every <row> of <rows>, refusing anything else there, and more rows than a
// packet of packetSize bytes may hold (holdsTooManyValues), before reading any.
std::vector<Row> readRows(const pugi::xml_node& rowsElement,
                          const std::vector<FieldDefinition>& fields, RowForm form,
                          std::uint64_t packetSize);

// One <row>; rowNumber (from 1) is for the messages.
Row readRow(const pugi::xml_node& element, const std::vector<FieldDefinition>& fields, RowForm form,
            std::size_t rowNumber);

} // namespace savrona::xml_elements
