// Between the raw binary packet and the table's content: merging the change
// log into the current rows, and laying out a table's rows as a raw packet.
#include "data/packets/binary/BinaryPacket.h"

#include "data/packets/PacketFormats.h"
#include "data/packets/PacketRules.h"
#include "data/packets/Windows1252.h"

#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <optional>

namespace savrona {

using namespace packet_rules;

namespace {

constexpr QByteArrayView textEncodingName = "TEXT_ENCODING";
constexpr QByteArrayView utf8EncodingName = "UTF-8";
constexpr QByteArrayView windows1252EncodingName = "windows-1252";
constexpr QByteArrayView widthName = "WIDTH";
constexpr QByteArrayView subtypeName = "SUBTYPE";
constexpr QByteArrayView memoSubtype = "Text";
constexpr std::uint16_t textType = BinaryType::Text | BinaryType::VariableLength;
constexpr std::uint16_t bytesType = BinaryType::Bytes | BinaryType::VariableLength;

enum class TextEncoding { Windows1252, Utf8 };

TextEncoding textEncodingOf(const RawBinaryPacket& packet) {
    const RawProperty* property = packet.findProperty(textEncodingName);
    if (property == nullptr)
        return TextEncoding::Windows1252;
    if (property->isArray() || !property->isVariableLength())
        throwDamaged(QStringLiteral("its text encoding is not given as a text"));
    if (property->value == utf8EncodingName)
        return TextEncoding::Utf8;
    if (QByteArrayView(property->value).compare(windows1252EncodingName, Qt::CaseInsensitive) == 0)
        return TextEncoding::Windows1252;
    throw Error(QStringLiteral("The data packet holds its texts in the encoding %1, which Savrona "
                               "cannot read.")
                    .arg(quotedBytes(property->value)));
}

std::optional<QByteArray> decodedText(QByteArrayView bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252)
        return windows1252ToUtf8(bytes);
    if (!bytes.isValidUtf8())
        return std::nullopt;
    return bytes.toByteArray();
}

bool hasMemoSubtype(const RawField& field) {
    const RawProperty* subtype = field.findProperty(subtypeName);
    if (subtype == nullptr || subtype->isArray())
        return false;
    QByteArrayView value = subtype->value;
    while (value.endsWith('\0'))
        value.chop(1);
    return value == memoSubtype;
}

int widthOf(const RawField& field, const QString& name) {
    const RawProperty* width = field.findProperty(widthName);
    if (width == nullptr)
        throwDamaged(QStringLiteral("the text field %1 has no width").arg(quoted(name)));
    const std::uint32_t characters = width->toUnsigned();
    if (characters > std::uint32_t(std::numeric_limits<int>::max()))
        throwDamaged(QStringLiteral("the text field %1 is too wide").arg(quoted(name)));
    return int(characters);
}

FieldDefinition fieldDefinitionOf(const RawField& field, const QString& name) {
    if (field.type == BinaryType::SignedInteger && field.size == 4)
        return {name, FieldType::Integer, 0};
    if (field.type == textType)
        return {name, FieldType::Text, widthOf(field, name)};
    if (field.type == bytesType && hasMemoSubtype(field))
        return {name, FieldType::Memo, 0};
    throw Error(QStringLiteral("The data packet holds the field %1 of type %2 and size %3, which "
                               "Savrona cannot read.")
                    .arg(quoted(name))
                    .arg(field.type)
                    .arg(field.size));
}

std::vector<FieldDefinition> fieldDefinitionsOf(const RawBinaryPacket& packet,
                                                TextEncoding encoding) {
    std::vector<FieldDefinition> definitions;
    definitions.reserve(packet.fields.size());
    QSet<QString> foldedNames;
    for (std::size_t index = 0; index < packet.fields.size(); ++index) {
        const RawField& field = packet.fields[index];
        const std::optional<QByteArray> name = decodedText(field.name, encoding);
        if (!name)
            throwDamaged(QStringLiteral("the name of field %1 is not valid UTF-8").arg(index + 1));
        if (name->isEmpty())
            throwDamaged(QStringLiteral("field %1 has no name").arg(index + 1));
        const QString fieldName = fieldNameFromUtf8(*name);
        // Fields are looked up by name regardless of letter case, so names
        // that differ only in case would be one field.
        const QString foldedName = fieldName.toCaseFolded();
        if (foldedNames.contains(foldedName))
            throwDamaged(QStringLiteral("the field name %1 appears twice").arg(quoted(fieldName)));
        foldedNames.insert(foldedName);
        definitions.push_back(fieldDefinitionOf(field, fieldName));
    }
    return definitions;
}

// Which row each row replaces, from the change log, checked against the rows:
// every row number in range, each row logged once and replaced by at most
// one row that is marked as replaced, no chain of replacements that closes
// on itself, and every "same as replaced" value with a row to take it from.
class Replacements {
public:
    explicit Replacements(const RawBinaryPacket& packet)
        : m_packet(packet), m_replaced(packet.rows.size(), 0), m_replacedBy(packet.rows.size(), 0) {
        const std::vector<ChangeLogEntry> entries = packet.changeLog();
        std::vector<bool> logged(packet.rows.size(), false);
        for (std::size_t index = 0; index < entries.size(); ++index)
            addEntry(entries[index], index + 1, logged);
        checkNoCycles();
        checkSameAsReplacedHasASource();
    }

    // The cell with every "same as replaced" marker followed back to a value or a null.
    const RawCell& resolvedCell(std::size_t rowIndex, std::size_t fieldIndex) const {
        const RawCell* cell = &m_packet.rows[rowIndex].cells[fieldIndex];
        while (cell->indicator == CellIndicator::SameAsReplaced) {
            rowIndex = m_replaced[rowIndex] - 1;
            cell = &m_packet.rows[rowIndex].cells[fieldIndex];
        }
        return *cell;
    }

private:
    void addEntry(const ChangeLogEntry& entry, std::size_t entryNumber, std::vector<bool>& logged) {
        checkRowNumber(entry.row, entryNumber, false);
        checkRowNumber(entry.replacedRow, entryNumber, true);
        if (entry.kind != ChangeLogEntry::Insertion && entry.kind != ChangeLogEntry::Modification &&
            entry.kind != ChangeLogEntry::Deletion)
            throwDamaged(QStringLiteral("change log entry %1 has the unknown kind %2")
                             .arg(entryNumber)
                             .arg(entry.kind));
        if (logged[entry.row - 1])
            throwDamaged(QStringLiteral("row %1 appears twice in the change log").arg(entry.row));
        logged[entry.row - 1] = true;
        if (entry.replacedRow == 0)
            return;
        if (entry.replacedRow == entry.row)
            throwDamaged(QStringLiteral("row %1 replaces itself").arg(entry.row));
        const std::uint32_t earlierReplacement = m_replacedBy[entry.replacedRow - 1];
        if (earlierReplacement != 0)
            throwDamaged(QStringLiteral("row %1 is replaced by both row %2 and row %3")
                             .arg(entry.replacedRow)
                             .arg(earlierReplacement)
                             .arg(entry.row));
        if ((m_packet.rows[entry.replacedRow - 1].state & RowState::ReplacedByLaterRow) == 0)
            throwDamaged(QStringLiteral("row %1 is replaced by row %2 but not marked as replaced")
                             .arg(entry.replacedRow)
                             .arg(entry.row));
        m_replacedBy[entry.replacedRow - 1] = entry.row;
        m_replaced[entry.row - 1] = entry.replacedRow;
    }

    void checkRowNumber(std::uint32_t row, std::size_t entryNumber, bool zeroAllowed) const {
        if ((row == 0 && !zeroAllowed) || row > m_packet.rows.size())
            throwDamaged(QStringLiteral("change log entry %1 names row %2 of %3")
                             .arg(entryNumber)
                             .arg(row)
                             .arg(m_packet.rows.size()));
    }

    // Each row replaces at most one row and is replaced by at most one, so
    // the replacements form simple chains and loops. Walking every chain from
    // its latest row reaches every row outside a loop.
    void checkNoCycles() const {
        std::vector<bool> walked(m_replaced.size(), false);
        for (std::size_t index = 0; index < m_replaced.size(); ++index) {
            if (m_replacedBy[index] != 0)
                continue;
            for (std::size_t row = index; !walked[row]; row = m_replaced[row] - 1) {
                walked[row] = true;
                if (m_replaced[row] == 0)
                    break;
            }
        }
        for (std::size_t index = 0; index < m_replaced.size(); ++index) {
            if (!walked[index])
                throwDamaged(
                    QStringLiteral("the change log replaces row %1 in a loop").arg(index + 1));
        }
    }

    void checkSameAsReplacedHasASource() const {
        for (std::size_t rowIndex = 0; rowIndex < m_packet.rows.size(); ++rowIndex) {
            if (m_replaced[rowIndex] != 0)
                continue;
            const std::vector<RawCell>& cells = m_packet.rows[rowIndex].cells;
            const auto marked = std::find_if(cells.begin(), cells.end(), [](const RawCell& cell) {
                return cell.indicator == CellIndicator::SameAsReplaced;
            });
            if (marked != cells.end())
                throwDamaged(QStringLiteral("row %1 takes the value of field %2 from the row it "
                                            "replaces, but it replaces none")
                                 .arg(rowIndex + 1)
                                 .arg(marked - cells.begin() + 1));
        }
    }

    const RawBinaryPacket& m_packet;
    std::vector<std::uint32_t> m_replaced;   // by row index: the row number it replaces, or 0
    std::vector<std::uint32_t> m_replacedBy; // by row index: the row number replacing it, or 0
};

Value valueOf(const RawCell& cell, const FieldDefinition& field, TextEncoding encoding,
              std::size_t rowNumber) {
    if (cell.indicator == CellIndicator::Null)
        return {};
    if (field.type == FieldType::Integer)
        return Value::integer(qFromLittleEndian<std::int32_t>(cell.bytes.constData()));
    std::optional<QByteArray> text = decodedText(cell.bytes, encoding);
    if (!text)
        throwDamaged(QStringLiteral("row %1 holds a text in the field %2 that is not valid UTF-8")
                         .arg(rowNumber)
                         .arg(quoted(field.name)));
    return Value::text(std::move(*text));
}

std::uint16_t lengthSizeForTexts(const PacketView& packet, std::size_t fieldIndex) {
    const bool anyLong =
        std::any_of(packet.rows.begin(), packet.rows.end(), [fieldIndex](const Row& row) {
            const Value& value = row[fieldIndex];
            return value.isText() &&
                   value.utf8().size() > std::numeric_limits<std::uint16_t>::max();
        });
    return anyLong ? 4 : 2;
}

RawField rawFieldOf(const PacketView& packet, std::size_t fieldIndex) {
    const FieldDefinition& field = packet.fields[fieldIndex];
    const QByteArray name = field.name.toUtf8();
    switch (field.type) {
    case FieldType::Integer:
        return RawField::integer(name);
    case FieldType::Text:
        if (field.width < 0 || field.width > std::numeric_limits<std::uint16_t>::max())
            throwCannotWrite(QStringLiteral("the text field %1 has the width %2, beyond 0 to 65535")
                                 .arg(quoted(field.name))
                                 .arg(field.width));
        return RawField::text(name, std::uint16_t(field.width),
                              lengthSizeForTexts(packet, fieldIndex));
    case FieldType::Memo:
        break;
    }
    return RawField::memo(name);
}

RawCell rawCellOf(const Value& value) {
    if (value.isNull())
        return RawCell::null();
    if (value.isInteger())
        return RawCell::integer(value.integer());
    return RawCell::text(value.utf8());
}

} // namespace

Packet mergeRawBinaryPacket(const RawBinaryPacket& raw) {
    const TextEncoding encoding = textEncodingOf(raw);
    Packet packet;
    packet.fields = fieldDefinitionsOf(raw, encoding);
    const Replacements replacements(raw);
    for (std::size_t rowIndex = 0; rowIndex < raw.rows.size(); ++rowIndex) {
        if ((raw.rows[rowIndex].state & RowState::NotCurrentMask) != 0)
            continue;
        Row row;
        row.reserve(packet.fields.size());
        for (std::size_t fieldIndex = 0; fieldIndex < packet.fields.size(); ++fieldIndex)
            row.push_back(valueOf(replacements.resolvedCell(rowIndex, fieldIndex),
                                  packet.fields[fieldIndex], encoding, rowIndex + 1));
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

RawBinaryPacket rawBinaryPacketFromPacket(const PacketView& packet) {
    for (std::size_t rowIndex = 0; rowIndex < packet.rows.size(); ++rowIndex)
        checkRowCanBeWritten(packet, rowIndex);

    RawBinaryPacket raw;
    raw.properties.push_back(
        RawProperty::text(textEncodingName.toByteArray(), utf8EncodingName.toByteArray()));
    for (std::size_t index = 0; index < packet.fields.size(); ++index)
        raw.fields.push_back(rawFieldOf(packet, index));
    raw.rows.reserve(packet.rows.size());
    for (const Row& row : packet.rows) {
        RawRow rawRow;
        rawRow.cells.reserve(row.size());
        for (const Value& value : row)
            rawRow.cells.push_back(rawCellOf(value));
        raw.rows.push_back(std::move(rawRow));
    }
    return raw;
}

QByteArray writeBinaryPacket(const PacketView& packet) {
    return writeRawBinaryPacket(rawBinaryPacketFromPacket(packet));
}

} // namespace savrona
