// Reads and checks the declaration, the document type, the root, the field definitions and the
// parameters of the original engine's XML data packets.
#include "data/packets/engine-xml/DataPacketXmlOutline.h"

#include "data/packets/PacketRules.h"
#include "data/packets/engine-xml/DataPacketXmlEncoding.h"
#include "data/packets/xml/XmlBytes.h"

#include <QSet>

#include <algorithm>

namespace savrona::data_packet_xml {

using namespace packet_rules;
using xml_bytes::parseDecimal;
using xml_bytes::viewOf;

namespace {

constexpr QByteArrayView rootName = "DATAPACKET";
constexpr QByteArrayView rowStateName = "RowState";
constexpr QByteArrayView changeLogName = "CHANGE_LOG";

// A text from the document for a message, cut short.
QString excerptOf(QByteArrayView text) {
    return QString::fromUtf8(xml_bytes::excerptOf(text));
}

QString textOf(const char* text) {
    return excerptOf(viewOf(text));
}

class OutlineReader {
public:
    OutlineReader(ParsedBytes bytes, const ToldBeforeParse& told) : m_bytes(bytes), m_told(told) {}

    Outline read(const pugi::xml_document& document, pugi::xml_node& rowData) {
        const pugi::xml_node root = readDocument(document);
        checkChildren(root, {"METADATA", "ROWDATA"});
        readMetadata(onlyChild(root, "METADATA"));
        rowData = onlyChild(root, "ROWDATA");
        checkChildren(rowData, {"ROW"});
        return std::move(m_outline);
    }

private:
    // The declaration, the document type and the one root element <DATAPACKET>.
    pugi::xml_node readDocument(const pugi::xml_document& document) {
        pugi::xml_node root;
        for (const pugi::xml_node& node : document.children()) {
            if (node.type() == pugi::node_declaration)
                m_outline.layout.declaration = keptAttributes(node, "the XML declaration");
            if (node.type() == pugi::node_doctype)
                checkDocumentType(node, root);
            if (node.type() != pugi::node_element)
                continue;
            if (root)
                throwDamaged(QStringLiteral("it has more than one root element"));
            root = node;
        }
        if (!root || rootName != viewOf(root.name()))
            throwDamaged(QStringLiteral("its root element is not <DATAPACKET>"));
        checkDeclaredEncoding();
        m_targetEncoding = targetEncodingOf(m_outline.layout.declaration);
        keepDocumentType();
        m_outline.layout.root = keptAttributes(root, "<DATAPACKET>");
        return root;
    }

    // The parser's document type must be the one told from the bytes, which
    // is kept as it stands there.
    void checkDocumentType(const pugi::xml_node& node, const pugi::xml_node& root) {
        if (m_documentTypeSeen)
            throwDamaged(QStringLiteral("it has more than one document type"));
        m_documentTypeSeen = true;
        if (root)
            throwDamaged(QStringLiteral("its document type comes after its root element"));
        const std::optional<QByteArray> parsed = utf8Of(viewOf(node.value()), m_bytes);
        if (!m_told.documentType || !parsed ||
            QByteArrayView(*parsed) != parsedValueOf(*m_told.documentType))
            throwDamaged(QStringLiteral("its document type cannot be read"));
    }

    // What the parser gives of a document type: past "<!DOCTYPE" and white
    // space, up to its closing '>'.
    static QByteArrayView parsedValueOf(QByteArrayView documentType) {
        QByteArrayView value = documentType.sliced(9).chopped(1);
        while (!value.isEmpty() && xml_bytes::isWhiteSpace(value.front()))
            value = value.sliced(1);
        return value;
    }

    void keepDocumentType() {
        if (!m_told.documentType)
            return;
        if (!m_documentTypeSeen)
            throwDamaged(QStringLiteral("its document type cannot be read"));
        checkNameCanBeWritten(*m_told.documentType, QStringLiteral("its document type"));
        m_outline.layout.documentType = *m_told.documentType;
    }

    // The parser's reading of the declaration must be the one the bytes
    // were decoded by.
    void checkDeclaredEncoding() const {
        std::optional<QByteArray> parsed;
        for (const XmlAttribute& attribute : m_outline.layout.declaration) {
            if (attribute.name == "encoding")
                parsed = attribute.value;
        }
        if (parsed != m_told.declaredEncoding)
            throwDamaged(QStringLiteral("its XML declaration cannot be read"));
    }

    // An element's attributes, to be written back as they are: UTF-8, each
    // once, names that the file's encoding can hold.
    XmlAttributes keptAttributes(const pugi::xml_node& element, const QString& where) const {
        XmlAttributes attributes;
        QSet<QByteArray> names;
        for (const pugi::xml_attribute& attribute : element.attributes()) {
            const std::optional<QByteArray> name = utf8Of(viewOf(attribute.name()), m_bytes);
            const std::optional<QByteArray> value = utf8Of(viewOf(attribute.value()), m_bytes);
            if (!name || !value)
                throwDamaged(QStringLiteral("an attribute of %1 is not valid UTF-8").arg(where));
            if (names.contains(*name))
                throwDamaged(
                    QStringLiteral("%1 has the attribute %2 twice").arg(where, quotedBytes(*name)));
            names.insert(*name);
            checkNameCanBeWritten(
                *name,
                QStringLiteral("the attribute name %1 of %2").arg(quotedBytes(*name), where));
            attributes.push_back({*name, *value});
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
            if (!xml_bytes::isElementNamed(child, name))
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
        const std::size_t fieldNumber = m_outline.fields.size() + 1;
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
        m_outline.fields.push_back(
            definitionOf(fieldName, *type, valueOf("WIDTH"), valueOf("SUBTYPE").value_or("")));
        m_outline.rowNames.push_back(QByteArray(element.attribute("attrname").value()));
        m_outline.layout.fields.push_back(std::move(attributes));
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
        m_outline.layout.hasParams = true;
        for (XmlAttribute& attribute : keptAttributes(params, QStringLiteral("<PARAMS>"))) {
            if (attribute.name == changeLogName)
                m_outline.changeLog = changeLogOf(attribute.value);
            else
                m_outline.layout.params.push_back(std::move(attribute));
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

    ParsedBytes m_bytes;
    const ToldBeforeParse& m_told;
    bool m_documentTypeSeen = false;
    TargetEncoding m_targetEncoding = TargetEncoding::CodePage1252;
    Outline m_outline;
    QSet<QString> m_foldedNames;
};

} // namespace

Outline readOutline(const pugi::xml_document& document, ParsedBytes bytes,
                    const ToldBeforeParse& told, pugi::xml_node& rowData) {
    return OutlineReader(bytes, told).read(document, rowData);
}

} // namespace savrona::data_packet_xml
