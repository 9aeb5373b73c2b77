// Checks the elements of a parsed XML packet and turns them into fields and rows, with
// the readers' messages.
#include "data/packets/savrona-xml/XmlPacketElements.h"

#include "data/packets/PacketRules.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlBytes.h"

#include <QSet>

#include <charconv>
#include <cstring>
#include <limits>

namespace savrona::xml_elements {

using namespace packet_rules;
using xml_bytes::excerptOf;
using xml_bytes::isElementNamed;
using xml_bytes::parseDecimal;
using xml_bytes::viewOf;

namespace {

constexpr QByteArrayView rootElementName = "savrona-data";
// Version 1 rows give values in attributes only; version 2 rows may also
// give texts as <lN> elements.
constexpr QByteArrayView attributesOnlyVersion = "1";
constexpr QByteArrayView linesVersion = "2";

QString textOf(const char* text) {
    return QString::fromUtf8(text);
}

// The element children of a node, refusing text and any element of another name.
std::vector<pugi::xml_node> childElementsNamed(const pugi::xml_node& parent, QByteArrayView name) {
    std::vector<pugi::xml_node> children;
    for (const pugi::xml_node& child : parent.children()) {
        if (!isElementNamed(child, name))
            throwDamaged(QStringLiteral("the element <%1> holds %2 where only <%3> elements belong")
                             .arg(textOf(parent.name()),
                                  child.type() == pugi::node_element
                                      ? QStringLiteral("<%1>").arg(textOf(child.name()))
                                      : QStringLiteral("text"),
                                  QString::fromLatin1(name)));
        children.push_back(child);
    }
    return children;
}

// The character of "\uXXXX" at position, if it is one (and no surrogate).
std::optional<char16_t> escapedCharacterAt(QByteArrayView text, qsizetype position) {
    constexpr qsizetype escapeLength = 6;
    if (text.size() - position < escapeLength || text[position + 1] != 'u')
        return std::nullopt;
    const char* digits = text.data() + position + 2;
    unsigned int code = 0;
    const std::from_chars_result result = std::from_chars(digits, digits + 4, code, 16);
    if (result.ec != std::errc() || result.ptr != digits + 4 || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return char16_t(code);
}

void checkDeclaration(const pugi::xml_node& declaration) {
    const pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (encoding && QByteArrayView("UTF-8").compare(encoding.value(), Qt::CaseInsensitive) != 0)
        throwDamaged(QStringLiteral("it declares the encoding \"%1\"; Savrona reads UTF-8 only")
                         .arg(textOf(encoding.value())));
}

void checkRootAttributes(const pugi::xml_node& root) {
    const pugi::xml_attribute version = root.attribute("version");
    if (!version)
        throwDamaged(QStringLiteral("it gives no version"));
    if (attributesOnlyVersion != version.value() && linesVersion != version.value())
        throw Error(
            QStringLiteral("The data packet has version %1; Savrona reads versions 1 and 2 only.")
                .arg(textOf(version.value())));
    for (const pugi::xml_attribute& attribute : root.attributes()) {
        if (QByteArrayView("version") != attribute.name())
            throwDamaged(QStringLiteral("<savrona-data> has the unknown attribute \"%1\"")
                             .arg(textOf(attribute.name())));
    }
}

int widthOf(const pugi::xml_attribute& width, const QString& fieldName) {
    const std::optional<std::int64_t> number =
        width ? parseDecimal<std::int64_t>(width.value()) : std::nullopt;
    if (!number || *number < 0 || *number > std::numeric_limits<int>::max())
        throwDamaged(QStringLiteral("the text field %1 has no valid width").arg(quoted(fieldName)));
    return int(*number);
}

FieldDefinition readField(const pugi::xml_node& element, std::size_t fieldNumber) {
    pugi::xml_attribute name;
    pugi::xml_attribute type;
    pugi::xml_attribute width;
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        const QByteArrayView attributeName = attribute.name();
        pugi::xml_attribute* slot = attributeName == "name"    ? &name
                                    : attributeName == "type"  ? &type
                                    : attributeName == "width" ? &width
                                                               : nullptr;
        if (slot == nullptr || *slot)
            throwDamaged(QStringLiteral("field %1 has an unknown or repeated attribute \"%2\"")
                             .arg(fieldNumber)
                             .arg(textOf(attribute.name())));
        *slot = attribute;
    }
    if (!name || *name.value() == '\0')
        throwDamaged(QStringLiteral("field %1 has no name").arg(fieldNumber));
    if (!QByteArrayView(name.value()).isValidUtf8())
        throwDamaged(QStringLiteral("the name of field %1 is not valid UTF-8").arg(fieldNumber));
    FieldDefinition field{fieldNameFromUtf8(name.value()), FieldType::Text, 0};
    const std::optional<FieldType> fieldType = xmlFieldTypeNamed(type.value());
    if (!fieldType)
        throw Error(QStringLiteral("The data packet holds the field %1 of type \"%2\", which "
                                   "Savrona cannot read.")
                        .arg(quoted(field.name), textOf(type.value())));
    field.type = *fieldType;
    if (field.type == FieldType::Text)
        field.width = widthOf(width, field.name);
    else if (width)
        throwDamaged(QStringLiteral("the field %1 has a width but is no text field")
                         .arg(quoted(field.name)));
    return field;
}

// The number N of a name "<form letter>N" (N from 1, no leading zero).
std::optional<std::int64_t> fieldNumberOf(QByteArrayView name, QByteArrayView formLetters) {
    const QByteArrayView digits = name.size() > 1 ? name.sliced(1) : QByteArrayView();
    const std::optional<std::int64_t> number = parseDecimal<std::int64_t>(digits);
    if (name.isEmpty() || !formLetters.contains(name[0]) || !number || digits[0] == '0' ||
        digits[0] == '-')
        return std::nullopt;
    return number;
}

// The index of field N, refusing a field past the last.
std::size_t fieldIndexOf(std::int64_t number, std::size_t fieldCount, std::size_t rowNumber) {
    if (std::uint64_t(number) > fieldCount)
        throwDamaged(QStringLiteral("row %1 gives a value for field %2, but there are %3 fields")
                         .arg(rowNumber)
                         .arg(number)
                         .arg(fieldCount));
    return std::size_t(number - 1);
}

// "f3" or "e3" → 2; anything else, or a field past the last, is refused.
std::size_t fieldIndexOfAttribute(const char* attributeName, std::size_t fieldCount,
                                  std::size_t rowNumber) {
    const QByteArrayView name = viewOf(attributeName);
    const std::optional<std::int64_t> number = fieldNumberOf(name, "fe");
    if (!number)
        throwDamaged(QStringLiteral("row %1 has the unknown attribute \"%2\"")
                         .arg(rowNumber)
                         .arg(QString::fromUtf8(name)));
    return fieldIndexOf(*number, fieldCount, rowNumber);
}

// Undoes the eN form: \uXXXX is that character, \\ a backslash.
QByteArray withoutOwnEscapes(QByteArrayView text, const FieldDefinition& field,
                             std::size_t rowNumber) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype position = 0; position < text.size(); ++position) {
        if (text[position] != '\\') {
            out.append(text[position]);
            continue;
        }
        if (position + 1 < text.size() && text[position + 1] == '\\') {
            out.append('\\');
            ++position;
            continue;
        }
        const std::optional<char16_t> code = escapedCharacterAt(text, position);
        if (!code)
            throwDamaged(QStringLiteral("row %1 holds a broken escape in the field %2")
                             .arg(rowNumber)
                             .arg(quoted(field.name)));
        out.append(QString(QChar(*code)).toUtf8());
        position += 5;
    }
    return out;
}

Value checkedTextValue(QByteArray utf8, const FieldDefinition& field, std::size_t rowNumber) {
    if (!QByteArrayView(utf8).isValidUtf8())
        throwDamaged(QStringLiteral("row %1 holds a text in the field %2 that is not valid UTF-8")
                         .arg(rowNumber)
                         .arg(quoted(field.name)));
    return Value::text(std::move(utf8));
}

Value textValueOf(QByteArrayView text, bool escapedForm, const FieldDefinition& field,
                  std::size_t rowNumber) {
    return checkedTextValue(escapedForm ? withoutOwnEscapes(text, field, rowNumber)
                                        : text.toByteArray(),
                            field, rowNumber);
}

Value valueOf(QByteArrayView text, bool escapedForm, const FieldDefinition& field,
              std::size_t rowNumber) {
    if (field.type != FieldType::Integer)
        return textValueOf(text, escapedForm, field, rowNumber);
    const std::optional<std::int64_t> number =
        escapedForm ? std::nullopt : parseDecimal<std::int64_t>(text);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max())
        throwDamaged(QStringLiteral("row %1 holds \"%2\" in the integer field %3")
                         .arg(rowNumber)
                         .arg(QString::fromUtf8(excerptOf(text)), quoted(field.name)));
    return Value::integer(std::int32_t(*number));
}

bool isText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// The content of an <lN> element: its text and CDATA joined. Comments are
// not parsed, so they fall away; an element inside is refused.
QByteArray joinedContentOf(const pugi::xml_node& element, std::size_t rowNumber) {
    QByteArray joined;
    for (const pugi::xml_node& child : element.children()) {
        if (!isText(child))
            throwDamaged(QStringLiteral("row %1 holds something other than text inside <%2>")
                             .arg(rowNumber)
                             .arg(textOf(element.name())));
        joined.append(child.value());
    }
    return joined;
}

// The lines of an <lN> element as the text they stand for: each line feed
// is a CR LF. A CR there (only a reference can put one) would make the text
// ambiguous, so it is refused; Savrona never writes one.
QByteArray textOfLines(QByteArrayView content, const FieldDefinition& field,
                       std::size_t rowNumber) {
    if (content.contains('\r'))
        throwDamaged(QStringLiteral("row %1 holds a carriage return in the lines of the field %2")
                         .arg(rowNumber)
                         .arg(quoted(field.name)));
    QByteArray text(content.size() + content.count('\n'), Qt::Uninitialized);
    char* out = text.data();
    const char* cursor = content.data();
    const char* const end = cursor + content.size();
    while (cursor != end) {
        const auto* lineFeed =
            static_cast<const char*>(std::memchr(cursor, '\n', std::size_t(end - cursor)));
        const char* lineEnd = lineFeed != nullptr ? lineFeed : end;
        std::memcpy(out, cursor, std::size_t(lineEnd - cursor));
        out += lineEnd - cursor;
        cursor = lineEnd;
        if (lineFeed != nullptr) {
            *out++ = '\r';
            *out++ = '\n';
            ++cursor;
        }
    }
    return text;
}

Value valueOfLines(const pugi::xml_node& element, const FieldDefinition& field,
                   std::size_t rowNumber) {
    if (field.type == FieldType::Integer)
        throwDamaged(QStringLiteral("row %1 gives the integer field %2 as lines in <%3>")
                         .arg(rowNumber)
                         .arg(quoted(field.name), textOf(element.name())));
    // Savrona writes one run of text; only a hand-made file holds more pieces.
    const pugi::xml_node first = element.first_child();
    if (first == element.last_child() && (!first || isText(first)))
        return checkedTextValue(textOfLines(viewOf(first.value()), field, rowNumber), field,
                                rowNumber);
    return checkedTextValue(textOfLines(joinedContentOf(element, rowNumber), field, rowNumber),
                            field, rowNumber);
}

// The children of a row: <lN> elements, each giving the text of field N.
void readLines(const pugi::xml_node& element, const std::vector<FieldDefinition>& fields,
               RowForm form, std::size_t rowNumber, Row& row) {
    for (const pugi::xml_node& child : element.children()) {
        if (isText(child))
            throwDamaged(
                QStringLiteral("row %1 holds text outside of <lN> elements").arg(rowNumber));
        if (child.type() != pugi::node_element)
            throwDamaged(
                QStringLiteral("row %1 holds something other than <lN> elements").arg(rowNumber));
        const QByteArrayView name = viewOf(child.name());
        const std::optional<std::int64_t> number = fieldNumberOf(name, "l");
        if (!number)
            throwDamaged(QStringLiteral("row %1 holds the unknown element <%2>")
                             .arg(rowNumber)
                             .arg(QString::fromUtf8(name)));
        if (form == RowForm::AttributesOnly)
            throwDamaged(QStringLiteral("row %1 holds the element <%2>, which version 1 data "
                                        "packets do not have")
                             .arg(rowNumber)
                             .arg(QString::fromUtf8(name)));
        if (child.first_attribute())
            throwDamaged(QStringLiteral("<%1> of row %2 has an attribute")
                             .arg(QString::fromUtf8(name))
                             .arg(rowNumber));
        const std::size_t fieldIndex = fieldIndexOf(*number, fields.size(), rowNumber);
        if (!row[fieldIndex].isNull())
            throwDamaged(
                QStringLiteral("row %1 gives field %2 twice").arg(rowNumber).arg(fieldIndex + 1));
        row[fieldIndex] = valueOfLines(child, fields[fieldIndex], rowNumber);
    }
}

} // namespace

pugi::xml_node checkedRootElement(const pugi::xml_document& document) {
    pugi::xml_node root;
    for (const pugi::xml_node& node : document.children()) {
        if (node.type() == pugi::node_declaration)
            checkDeclaration(node);
        if (node.type() != pugi::node_element)
            continue;
        if (root)
            throwDamaged(QStringLiteral("it has more than one root element"));
        root = node;
    }
    if (!root)
        throwDamaged(QStringLiteral("it has no root element"));
    if (rootElementName != root.name())
        throw Error(QStringLiteral("The XML document is not a Savrona data packet: its root "
                                   "element is <%1>.")
                        .arg(textOf(root.name())));
    checkRootAttributes(root);
    return root;
}

RowForm rowFormOf(const pugi::xml_node& root) {
    return linesVersion == root.attribute("version").value() ? RowForm::AttributesAndLines
                                                             : RowForm::AttributesOnly;
}

pugi::xml_node onlyChild(const pugi::xml_node& root, QByteArrayView name) {
    pugi::xml_node found;
    for (const pugi::xml_node& child : root.children()) {
        if (child.type() != pugi::node_element)
            throwDamaged(QStringLiteral("<savrona-data> holds text"));
        if (name != child.name())
            continue;
        if (found)
            throwDamaged(QStringLiteral("<savrona-data> holds more than one <%1>")
                             .arg(QString::fromLatin1(name)));
        found = child;
    }
    if (!found)
        throwDamaged(QStringLiteral("<savrona-data> holds no <%1>").arg(QString::fromLatin1(name)));
    return found;
}

std::vector<FieldDefinition> readFields(const pugi::xml_node& fieldsElement) {
    std::vector<FieldDefinition> fields;
    QSet<QString> foldedNames;
    for (const pugi::xml_node& element : childElementsNamed(fieldsElement, "field")) {
        FieldDefinition field = readField(element, fields.size() + 1);
        // Fields are looked up by name regardless of letter case, so names
        // that differ only in case would be one field.
        const QString foldedName = field.name.toCaseFolded();
        if (foldedNames.contains(foldedName))
            throwDamaged(QStringLiteral("the field name %1 appears twice").arg(quoted(field.name)));
        foldedNames.insert(foldedName);
        fields.push_back(std::move(field));
    }
    return fields;
}

std::vector<Row> readRows(const pugi::xml_node& rowsElement,
                          const std::vector<FieldDefinition>& fields, RowForm form,
                          std::uint64_t packetSize) {
    const std::vector<pugi::xml_node> elements = childElementsNamed(rowsElement, "row");
    refuseTooManyValues(elements.size(), fields.size(), packetSize);
    std::vector<Row> rows;
    rows.reserve(elements.size());
    for (std::size_t index = 0; index < elements.size(); ++index)
        rows.push_back(readRow(elements[index], fields, form, index + 1));
    return rows;
}

Row readRow(const pugi::xml_node& element, const std::vector<FieldDefinition>& fields, RowForm form,
            std::size_t rowNumber) {
    Row row(fields.size());
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        const char* name = attribute.name();
        const bool escapedForm = name[0] == 'e';
        const std::size_t fieldIndex = fieldIndexOfAttribute(name, fields.size(), rowNumber);
        // Every attribute gives a value, never a null: a value already
        // there means the field was given twice.
        if (!row[fieldIndex].isNull())
            throwDamaged(
                QStringLiteral("row %1 gives field %2 twice").arg(rowNumber).arg(fieldIndex + 1));
        const QByteArrayView text = viewOf(attribute.value());
        row[fieldIndex] = valueOf(text, escapedForm, fields[fieldIndex], rowNumber);
    }
    if (element.first_child())
        readLines(element, fields, form, rowNumber, row);
    return row;
}

} // namespace savrona::xml_elements
