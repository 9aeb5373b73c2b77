// Reads the original engine's XML data packets: the bytes made UTF-8, the document
// parsed, its fields, rows and change log checked, and the rows merged with the log by
// the binary packet's merge.
#include "DataPacketXml.h"

#include "BinaryPacket.h"
#include "DataPacketXmlEncoding.h"
#include "PacketRules.h"

#include <QSet>

#include <pugixml.hpp>

#include <charconv>
#include <cstring>
#include <limits>

namespace savrona {

using namespace packet_rules;
using namespace data_packet_xml;

namespace {

constexpr QByteArrayView rootName = "DATAPACKET";
constexpr QByteArrayView rowStateName = "RowState";
constexpr QByteArrayView changeLogName = "CHANGE_LOG";

// References and line ends resolved, the declaration kept for its encoding,
// CDATA kept so that it is refused where only elements belong.
constexpr unsigned int parseOptions = pugi::parse_escapes | pugi::parse_wconv_attribute |
                                      pugi::parse_eol | pugi::parse_declaration | pugi::parse_cdata;

QByteArrayView viewOf(const char* text) {
    return {text, qsizetype(std::strlen(text))};
}

// A text from the document for a message, cut short.
QString excerptOf(QByteArrayView text) {
    return QString::fromUtf8(text.first(std::min<qsizetype>(text.size(), 40)));
}

QString textOf(const char* text) {
    return excerptOf(viewOf(text));
}

bool isNamed(const pugi::xml_node& node, QByteArrayView name) {
    return node.type() == pugi::node_element && name == viewOf(node.name());
}

template <typename Number> std::optional<Number> parseDecimal(QByteArrayView text) {
    Number number = 0;
    const std::from_chars_result result = std::from_chars(text.begin(), text.end(), number);
    if (text.isEmpty() || result.ec != std::errc() || result.ptr != text.end())
        return std::nullopt;
    return number;
}

// The prolog before the root element: the declaration, comments, processing
// instructions and a document type, with white space between them.
qsizetype prologLength(QByteArrayView document) {
    qsizetype position = leadingSkipLength(document);
    const auto skipPast = [&](QByteArrayView end) {
        const qsizetype found = document.indexOf(end, position);
        position = found < 0 ? document.size() : found + end.size();
    };
    while (position < document.size()) {
        const QByteArrayView rest = document.sliced(position);
        if (rest.startsWith("<?")) {
            skipPast("?>");
        } else if (rest.startsWith("<!--")) {
            skipPast("-->");
        } else if (rest.startsWith("<!DOCTYPE")) {
            // Up to the '>' that closes it, past an internal subset in brackets.
            const qsizetype bracket = document.indexOf('[', position);
            const qsizetype close = document.indexOf('>', position);
            if (bracket >= 0 && (close < 0 || bracket < close))
                position = bracket;
            skipPast(">");
        } else if (rest.front() == ' ' || rest.front() == '\t' || rest.front() == '\r' ||
                   rest.front() == '\n') {
            ++position;
        } else {
            break;
        }
    }
    return position;
}

// "&#0;" makes the parser end a value there and drop the rest of it; no XML
// document may hold it, so it is refused rather than a text cut short.
void checkNoNullCharacterReference(QByteArrayView document) {
    for (qsizetype position = document.indexOf("&#"); position >= 0;
         position = document.indexOf("&#", position + 2)) {
        qsizetype digit = position + 2;
        const bool hexadecimal = digit < document.size() && document[digit] == 'x';
        if (hexadecimal)
            ++digit;
        const qsizetype first = digit;
        while (digit < document.size() && document[digit] == '0')
            ++digit;
        if (digit > first && digit < document.size() && document[digit] == ';')
            throwDamaged(QStringLiteral("it holds the reference to the character 0, which no XML "
                                        "document can hold"));
    }
}

class DataPacketXmlReader {
public:
    // bytes must be UTF-8; original are the bytes of the file, for the
    // offsets in messages, when bytes were converted from code page 1252.
    DataPacketXmlReader(QByteArray bytes, QByteArrayView original)
        : m_bytes(std::move(bytes)), m_original(original) {}

    Packet read() {
        checkNoNullCharacterReference(m_bytes);
        // Told before the parse, which changes the bytes in place.
        m_declaredEncoding = declaredEncodingName(m_bytes);
        const qsizetype skipped = leadingSkipLength(m_bytes);
        const pugi::xml_parse_result result = m_document.load_buffer_inplace(
            m_bytes.data() + skipped, std::size_t(m_bytes.size() - skipped), parseOptions,
            pugi::encoding_utf8);
        if (!result)
            throwDamaged(QStringLiteral("the XML is malformed at byte %1 (%2)")
                             .arg(fileOffsetOf(skipped + result.offset))
                             .arg(QLatin1String(result.description())));
        const pugi::xml_node root = readDocument();
        readMetadata(onlyChild(root, "METADATA"));
        readRowData(onlyChild(root, "ROWDATA"));
        return mergedPacket();
    }

private:
    qsizetype fileOffsetOf(qsizetype offset) const {
        return m_original.isNull() ? offset : codePage1252OffsetOf(m_original, offset);
    }

    // The declaration and the one root element <DATAPACKET>.
    pugi::xml_node readDocument() {
        pugi::xml_node root;
        for (const pugi::xml_node& node : m_document.children()) {
            if (node.type() == pugi::node_declaration)
                m_layout.declaration = keptAttributes(node, "the XML declaration");
            if (node.type() != pugi::node_element)
                continue;
            if (root)
                throwDamaged(QStringLiteral("it has more than one root element"));
            root = node;
        }
        if (!root || rootName != viewOf(root.name()))
            throwDamaged(QStringLiteral("its root element is not <DATAPACKET>"));
        checkDeclaredEncoding();
        m_targetEncoding = targetEncodingOf(m_layout.declaration);
        m_layout.root = keptAttributes(root, "<DATAPACKET>");
        return root;
    }

    // The parser's reading of the declaration must be the one the bytes
    // were decoded by.
    void checkDeclaredEncoding() const {
        std::optional<QByteArray> parsed;
        for (const XmlAttribute& attribute : m_layout.declaration) {
            if (attribute.name == "encoding")
                parsed = attribute.value;
        }
        if (parsed != m_declaredEncoding)
            throwDamaged(QStringLiteral("its XML declaration cannot be read"));
    }

    // An element's attributes, to be written back as they are: UTF-8, each
    // once, names that the file's encoding can hold.
    XmlAttributes keptAttributes(const pugi::xml_node& element, const QString& where) const {
        XmlAttributes attributes;
        QSet<QByteArrayView> names;
        for (const pugi::xml_attribute& attribute : element.attributes()) {
            const QByteArrayView name = viewOf(attribute.name());
            const QByteArrayView value = viewOf(attribute.value());
            if (!name.isValidUtf8() || !value.isValidUtf8())
                throwDamaged(QStringLiteral("an attribute of %1 is not valid UTF-8").arg(where));
            if (names.contains(name))
                throwDamaged(QStringLiteral("%1 has the attribute \"%2\" twice")
                                 .arg(where, textOf(attribute.name())));
            names.insert(name);
            checkNameCanBeWritten(
                name, QStringLiteral("the attribute name %1 of %2").arg(quotedBytes(name), where));
            attributes.push_back({name.toByteArray(), value.toByteArray()});
        }
        return attributes;
    }

    // Names are written back as they are: the code page must hold them.
    void checkNameCanBeWritten(QByteArrayView name, const QString& what) const {
        if (!encodedName(name, m_targetEncoding))
            throwDamaged(
                QStringLiteral("%1 holds a character that code page 1252 cannot hold").arg(what));
    }

    // The one child element of that name; the children of the element
    // must all be known ones, and no text.
    static pugi::xml_node onlyChild(const pugi::xml_node& parent, QByteArrayView name) {
        pugi::xml_node found;
        for (const pugi::xml_node& child : parent.children()) {
            if (!isNamed(child, name))
                continue;
            if (found)
                throwDamaged(QStringLiteral("<%1> holds more than one <%2>")
                                 .arg(textOf(parent.name()), QString::fromLatin1(name)));
            found = child;
        }
        if (!found)
            throwDamaged(QStringLiteral("<%1> holds no <%2>")
                             .arg(textOf(parent.name()), QString::fromLatin1(name)));
        return found;
    }

    static void checkChildren(const pugi::xml_node& parent,
                              std::initializer_list<QByteArrayView> names) {
        for (const pugi::xml_node& child : parent.children()) {
            if (child.type() != pugi::node_element)
                throwDamaged(QStringLiteral("<%1> holds text").arg(textOf(parent.name())));
            const QByteArrayView name = viewOf(child.name());
            if (std::find(names.begin(), names.end(), name) == names.end())
                throwDamaged(QStringLiteral("<%1> holds the unknown element <%2>")
                                 .arg(textOf(parent.name()), textOf(child.name())));
        }
    }

    // --- Fields and parameters ---------------------------------------------

    void readMetadata(const pugi::xml_node& metadata) {
        checkChildren(metadata, {"FIELDS", "PARAMS"});
        const pugi::xml_node fields = onlyChild(metadata, "FIELDS");
        checkChildren(fields, {"FIELD"});
        for (const pugi::xml_node& field : fields.children())
            readField(field);
        const pugi::xml_node params = metadata.child("PARAMS");
        if (params) {
            if (params.next_sibling("PARAMS"))
                throwDamaged(QStringLiteral("<METADATA> holds more than one <PARAMS>"));
            readParams(params);
        }
    }

    void readField(const pugi::xml_node& element) {
        const std::size_t fieldNumber = m_fields.size() + 1;
        const QString where = QStringLiteral("<FIELD> %1").arg(fieldNumber);
        if (element.first_child())
            throwDamaged(QStringLiteral("%1 holds elements or text").arg(where));
        XmlAttributes attributes = keptAttributes(element, where);
        const auto valueOf = [&attributes](QByteArrayView name) -> std::optional<QByteArray> {
            for (const XmlAttribute& attribute : attributes) {
                if (attribute.name == name)
                    return attribute.value;
            }
            return std::nullopt;
        };
        const std::optional<QByteArray> name = valueOf("attrname");
        if (!name || name->isEmpty())
            throwDamaged(QStringLiteral("%1 has no attrname").arg(where));
        const QString fieldName = fieldNameFromUtf8(*name);
        checkFieldName(*name, fieldName);
        const std::optional<QByteArray> type = valueOf("fieldtype");
        if (!type)
            throwDamaged(QStringLiteral("the field %1 has no fieldtype").arg(quoted(fieldName)));
        m_fields.push_back(
            definitionOf(fieldName, *type, valueOf("WIDTH"), valueOf("SUBTYPE").value_or("")));
        m_fieldNames.push_back(*name);
        m_layout.fields.push_back(std::move(attributes));
    }

    void checkFieldName(const QByteArray& name, const QString& fieldName) {
        if (!isXmlName(name))
            throwDamaged(QStringLiteral("the field name %1 cannot name an attribute of <ROW>")
                             .arg(quoted(fieldName)));
        if (name == rowStateName)
            throwDamaged(QStringLiteral("a field is named %1 like the state of a row")
                             .arg(quoted(fieldName)));
        checkNameCanBeWritten(name, QStringLiteral("the field name %1").arg(quoted(fieldName)));
        // Fields are looked up by name regardless of letter case, so names
        // that differ only in case would be one field.
        const QString foldedName = fieldName.toCaseFolded();
        if (m_foldedNames.contains(foldedName))
            throwDamaged(QStringLiteral("the field name %1 appears twice").arg(quoted(fieldName)));
        m_foldedNames.insert(foldedName);
    }

    static FieldDefinition definitionOf(const QString& name, const QByteArray& type,
                                        const std::optional<QByteArray>& width,
                                        const QByteArray& subtype) {
        for (const QByteArrayView integerType : {"i4", "i2", "i1", "ui4", "ui2", "ui1"}) {
            if (type == integerType)
                return {name, FieldType::Integer, 0};
        }
        if (type == "string") {
            const std::optional<int> characters =
                width ? parseDecimal<int>(*width) : std::optional<int>();
            if (!characters || *characters < 0)
                throwDamaged(
                    QStringLiteral("the text field %1 has no valid WIDTH").arg(quoted(name)));
            return {name, FieldType::Text, *characters};
        }
        if (type == "bin.hex" && subtype == "Text")
            return {name, FieldType::Memo, 0};
        const QString subtypeText =
            subtype.isEmpty() ? QString()
                              : QStringLiteral(" and subtype %1").arg(quotedBytes(subtype));
        throw Error(QStringLiteral("The data packet holds the field %1 of type %2%3, which "
                                   "Savrona cannot read.")
                        .arg(quoted(name), quotedBytes(type.left(40)), subtypeText));
    }

    void readParams(const pugi::xml_node& params) {
        if (params.first_child())
            throwDamaged(QStringLiteral("<PARAMS> holds elements or text"));
        m_layout.hasParams = true;
        for (XmlAttribute& attribute : keptAttributes(params, QStringLiteral("<PARAMS>"))) {
            if (attribute.name == changeLogName)
                m_changeLog = changeLogOf(attribute.value);
            else
                m_layout.params.push_back(std::move(attribute));
        }
    }

    static std::vector<ChangeLogEntry> changeLogOf(QByteArrayView text) {
        std::vector<std::uint32_t> numbers;
        for (const QByteArray& word : text.toByteArray().split(' ')) {
            if (word.isEmpty())
                continue; // blanks in a row
            const std::optional<std::uint32_t> number = parseDecimal<std::uint32_t>(word);
            if (!number)
                throwDamaged(QStringLiteral("the change log holds \"%1\" where a number belongs")
                                 .arg(excerptOf(word)));
            numbers.push_back(*number);
        }
        if (numbers.size() % 3 != 0)
            throwDamaged(QStringLiteral("the change log does not hold whole entries"));
        std::vector<ChangeLogEntry> entries;
        for (std::size_t index = 0; index < numbers.size(); index += 3)
            entries.push_back({numbers[index], numbers[index + 1], numbers[index + 2]});
        return entries;
    }

    // --- Rows -----------------------------------------------------------------

    void readRowData(const pugi::xml_node& rowData) {
        checkChildren(rowData, {"ROW"});
        for (const pugi::xml_node& element : rowData.children())
            readRow(element, m_rows.size() + 1);
    }

    void readRow(const pugi::xml_node& element, std::size_t rowNumber) {
        if (element.first_child())
            throwDamaged(QStringLiteral("row %1 holds elements or text").arg(rowNumber));
        Row row(m_fields.size());
        std::optional<std::uint8_t> state;
        std::size_t expectedField = 0; // attributes usually come in field order
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
                state = stateOf(value, rowNumber);
            } else {
                throwDamaged(QStringLiteral("row %1 has the attribute \"%2\", which names no field")
                                 .arg(rowNumber)
                                 .arg(textOf(name)));
            }
        }
        m_rows.push_back(std::move(row));
        m_states.push_back(state.value_or(RowState::Current));
    }

    // The index of the field of that attribute name, or the field count.
    std::size_t fieldNamed(const char* name, std::size_t expected) const {
        if (expected < m_fieldNames.size() &&
            std::strcmp(m_fieldNames[expected].constData(), name) == 0)
            return expected;
        for (std::size_t index = 0; index < m_fieldNames.size(); ++index) {
            if (std::strcmp(m_fieldNames[index].constData(), name) == 0)
                return index;
        }
        return m_fieldNames.size();
    }

    static std::uint8_t stateOf(QByteArrayView value, std::size_t rowNumber) {
        const std::optional<std::uint8_t> state = parseDecimal<std::uint8_t>(value);
        if (!state)
            throwDamaged(QStringLiteral("row %1 has the RowState \"%2\"")
                             .arg(rowNumber)
                             .arg(excerptOf(value)));
        return *state;
    }

    static Value valueOf(QByteArrayView text, const FieldDefinition& field, std::size_t rowNumber) {
        if (field.type == FieldType::Integer) {
            const std::optional<std::int32_t> number = parseDecimal<std::int32_t>(text);
            if (!number)
                throwDamaged(QStringLiteral("row %1 holds \"%2\" in the integer field %3")
                                 .arg(rowNumber)
                                 .arg(excerptOf(text), quoted(field.name)));
            return Value::integer(*number);
        }
        if (!text.isValidUtf8())
            throwDamaged(
                QStringLiteral("row %1 holds a text in the field %2 that is not valid UTF-8")
                    .arg(rowNumber)
                    .arg(quoted(field.name)));
        return Value::text(text.toByteArray());
    }

    // --- Merge ----------------------------------------------------------------

    bool everyRowIsCurrent() const {
        return m_changeLog.empty() &&
               std::all_of(m_states.begin(), m_states.end(), [](std::uint8_t state) {
                   return (state & RowState::NotCurrentMask) == 0;
               });
    }

    Packet mergedPacket() {
        Packet packet;
        if (everyRowIsCurrent())
            packet.rows = std::move(m_rows);
        else
            packet.rows = mergeRawBinaryPacket(rawPacket()).rows;
        packet.fields = std::move(m_fields);
        packet.dataPacketXmlLayout = std::move(m_layout);
        return packet;
    }

    // The rows as the binary packet holds them, for its merge: a field
    // without a value is null, or in a row that replaces another, the value
    // of the row replaced.
    RawBinaryPacket rawPacket() const {
        RawBinaryPacket raw;
        for (const FieldDefinition& field : m_fields) {
            const QByteArray name = field.name.toUtf8();
            raw.fields.push_back(field.type == FieldType::Integer ? RawField::integer(name)
                                 : field.type == FieldType::Text  ? RawField::text(name, 0)
                                                                  : RawField::memo(name));
        }
        raw.properties.push_back(RawProperty::text("TEXT_ENCODING", "UTF-8"));
        raw.setChangeLog(m_changeLog);
        std::vector<bool> replacesARow(m_rows.size(), false);
        for (const ChangeLogEntry& entry : m_changeLog) {
            if (entry.row >= 1 && entry.row <= m_rows.size() && entry.replacedRow != 0)
                replacesARow[entry.row - 1] = true;
        }
        raw.rows.reserve(m_rows.size());
        for (std::size_t index = 0; index < m_rows.size(); ++index) {
            RawRow rawRow{m_states[index], {}};
            rawRow.cells.reserve(m_fields.size());
            for (const Value& value : m_rows[index]) {
                if (value.isInteger())
                    rawRow.cells.push_back(RawCell::integer(value.integer()));
                else if (value.isText())
                    rawRow.cells.push_back(RawCell::text(value.utf8()));
                else
                    rawRow.cells.push_back(replacesARow[index] ? RawCell::sameAsReplaced()
                                                               : RawCell::null());
            }
            raw.rows.push_back(std::move(rawRow));
        }
        return raw;
    }

    QByteArray m_bytes;
    QByteArrayView m_original;
    pugi::xml_document m_document;
    std::optional<QByteArray> m_declaredEncoding;
    TargetEncoding m_targetEncoding = TargetEncoding::CodePage1252;

    DataPacketXmlLayout m_layout;
    std::vector<FieldDefinition> m_fields;
    std::vector<QByteArray> m_fieldNames; // UTF-8, as the rows name them
    QSet<QString> m_foldedNames;
    std::vector<ChangeLogEntry> m_changeLog;
    std::vector<Row> m_rows;
    std::vector<std::uint8_t> m_states;
};

} // namespace

bool looksLikeDataPacketXml(QByteArrayView bytes) {
    const QByteArrayView rest = bytes.sliced(prologLength(bytes));
    constexpr QByteArrayView startTag = "<DATAPACKET";
    if (!rest.startsWith(startTag))
        return false;
    if (rest.size() == startTag.size())
        return true;
    const char next = rest[startTag.size()];
    return next == ' ' || next == '\t' || next == '\r' || next == '\n' || next == '>' ||
           next == '/';
}

Packet readDataPacketXml(QByteArrayView bytes) {
    if (sourceEncodingOf(bytes) == SourceEncoding::CodePage1252)
        return DataPacketXmlReader(codePage1252ToUtf8(bytes), bytes).read();
    return DataPacketXmlReader(bytes.toByteArray(), {}).read();
}

Packet readDataPacketXml(QByteArray&& bytes) {
    if (sourceEncodingOf(bytes) == SourceEncoding::CodePage1252)
        return DataPacketXmlReader(codePage1252ToUtf8(bytes), bytes).read();
    return DataPacketXmlReader(std::move(bytes), {}).read();
}

} // namespace savrona
