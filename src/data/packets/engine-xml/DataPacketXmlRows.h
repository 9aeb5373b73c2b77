#pragma once

// The <ROW> elements of a parsed document in the original engine's XML layout, turned
// into rows and row states. Shared by the reader of the whole document and the reader
// that takes the rows in pieces on several threads, so that both check exactly the same
// things in the same words.

#include "data/Value.h"

#include <QByteArray>
#include <QByteArrayView>

#include <pugixml.hpp>

#include <cstdint>
#include <vector>

namespace savrona::data_packet_xml {

// References and line ends resolved, the declaration kept for its encoding,
// the document type to be checked against the one kept (pugixml reads
// nothing it names and expands no entity but the five predefined), CDATA
// kept so that it is refused where only elements belong.
constexpr unsigned int parseOptions = pugi::parse_escapes | pugi::parse_wconv_attribute |
                                      pugi::parse_eol | pugi::parse_declaration |
                                      pugi::parse_doctype | pugi::parse_cdata;

// What the bytes of the parsed document's names and values are.
enum class ParsedBytes {
    Utf8ToCheck,  // UTF-8 that may be broken: every text is checked
    ValidUtf8,    // valid UTF-8, what references make of it included
    CodePage1252, // code page 1252 whose references are all ASCII: each text is converted
};

// A name or value of the parsed document as UTF-8; nothing when it is not
// valid UTF-8.
std::optional<QByteArray> utf8Of(QByteArrayView parsed, ParsedBytes bytes);

// A row read, before the change log is merged.
struct ReadRows {
    std::vector<Row> rows;
    std::vector<std::uint8_t> states; // the RowState of each row, 0 when absent

    void append(ReadRows&& more);
};

class RowReader {
public:
    // rowNames: the attribute name of each field in <ROW>, as the parsed
    // document's bytes spell it.
    RowReader(const std::vector<FieldDefinition>& fields, const std::vector<QByteArray>& rowNames,
              ParsedBytes bytes)
        : m_fields(fields), m_rowNames(rowNames), m_bytes(bytes) {}

    // Reads a <ROW> element; rowNumber (from 1) is for the messages. Throws
    // Error for anything but one attribute per field given and a RowState.
    void read(const pugi::xml_node& element, std::size_t rowNumber, ReadRows& into) const;

private:
    std::size_t fieldNamed(const char* name, std::size_t expected) const;
    Value valueOf(QByteArrayView text, const FieldDefinition& field, std::size_t rowNumber) const;

    const std::vector<FieldDefinition>& m_fields;
    const std::vector<QByteArray>& m_rowNames;
    ParsedBytes m_bytes;
};

} // namespace savrona::data_packet_xml
