// Reads the <ROW> elements of the original engine's XML data packets: one attribute a
// field, the RowState, every value checked for its field.
#include "data/packets/engine-xml/DataPacketXmlRows.h"

#include "data/packets/PacketRules.h"
#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXmlEncoding.h"
#include "data/packets/xml/XmlBytes.h"

#include <cstring>
#include <iterator>

namespace savrona::data_packet_xml {

using namespace packet_rules;
using xml_bytes::parseDecimal;
using xml_bytes::viewOf;

namespace {

constexpr QByteArrayView rowStateName = "RowState";

// A text from the document for a message, cut short.
QString excerptOf(QByteArrayView text, ParsedBytes bytes) {
    const QByteArrayView excerpt = xml_bytes::excerptOf(text);
    return QString::fromUtf8(utf8Of(excerpt, bytes).value_or(excerpt.toByteArray()));
}

} // namespace

std::optional<QByteArray> utf8Of(QByteArrayView parsed, ParsedBytes bytes) {
    switch (bytes) {
    case ParsedBytes::Utf8ToCheck:
        if (!parsed.isValidUtf8())
            return std::nullopt;
        break;
    case ParsedBytes::ValidUtf8:
        break;
    case ParsedBytes::CodePage1252:
        return codePage1252ToUtf8(parsed);
    }
    return parsed.toByteArray();
}

void ReadRows::append(ReadRows&& more) {
    rows.insert(rows.end(), std::make_move_iterator(more.rows.begin()),
                std::make_move_iterator(more.rows.end()));
    states.insert(states.end(), more.states.begin(), more.states.end());
}

void RowReader::read(const pugi::xml_node& element, std::size_t rowNumber, ReadRows& into) const {
    if (element.first_child())
        throwDamaged(QStringLiteral("row %1 holds elements or text").arg(rowNumber));
    Row row(m_fields.size());
    std::optional<std::uint8_t> state;
    std::size_t expectedField = 0; // the attributes usually come in field order
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        const char* name = attribute.name();
        const QByteArrayView value = viewOf(attribute.value());
        const std::size_t field = fieldNamed(name, expectedField);
        if (field < m_fields.size()) {
            // Every attribute gives a value, never a null.
            if (!row[field].isNull())
                throwDamaged(QStringLiteral("row %1 gives the field %2 twice")
                                 .arg(rowNumber)
                                 .arg(quoted(m_fields[field].name)));
            row[field] = valueOf(value, m_fields[field], rowNumber);
            expectedField = field + 1;
        } else if (rowStateName == viewOf(name)) {
            if (state)
                throwDamaged(QStringLiteral("row %1 gives its RowState twice").arg(rowNumber));
            state = parseDecimal<std::uint8_t>(value);
            if (!state)
                throwDamaged(QStringLiteral("row %1 has the RowState \"%2\"")
                                 .arg(rowNumber)
                                 .arg(excerptOf(value, m_bytes)));
        } else {
            throwDamaged(QStringLiteral("row %1 has the attribute \"%2\", which names no field")
                             .arg(rowNumber)
                             .arg(excerptOf(viewOf(name), m_bytes)));
        }
    }
    into.states.push_back(state.value_or(RowState::Current));
    into.rows.push_back(std::move(row));
}

std::size_t RowReader::fieldNamed(const char* name, std::size_t expected) const {
    if (expected < m_rowNames.size() && std::strcmp(m_rowNames[expected].constData(), name) == 0)
        return expected;
    for (std::size_t index = 0; index < m_rowNames.size(); ++index) {
        if (std::strcmp(m_rowNames[index].constData(), name) == 0)
            return index;
    }
    return m_rowNames.size();
}

Value RowReader::valueOf(QByteArrayView text, const FieldDefinition& field,
                         std::size_t rowNumber) const {
    if (field.type == FieldType::Integer) {
        const std::optional<std::int32_t> number = parseDecimal<std::int32_t>(text);
        if (!number)
            throwDamaged(QStringLiteral("row %1 holds \"%2\" in the integer field %3")
                             .arg(rowNumber)
                             .arg(excerptOf(text, m_bytes), quoted(field.name)));
        return Value::integer(*number);
    }
    std::optional<QByteArray> utf8 = utf8Of(text, m_bytes);
    if (!utf8)
        throwDamaged(QStringLiteral("row %1 holds a text in the field %2 that is not valid UTF-8")
                         .arg(rowNumber)
                         .arg(quoted(field.name)));
    return Value::text(std::move(*utf8));
}

} // namespace savrona::data_packet_xml
