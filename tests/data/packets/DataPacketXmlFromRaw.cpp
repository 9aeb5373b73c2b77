// Lays out a raw binary packet in the original engine's XML data-packet layout.
#include "data/packets/DataPacketXmlFromRaw.h"

#include <QByteArrayList>
#include <QtEndian>

#include <algorithm>

namespace savrona::test_support {

namespace {

QByteArray escaped(QByteArrayView bytes) {
    QByteArray out;
    for (const char byte : bytes) {
        switch (byte) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '\t':
            out.append("&#9;");
            break;
        case '\r':
            out.append("&#13;");
            break;
        case '\n':
            out.append("&#10;");
            break;
        default:
            out.append(byte);
        }
    }
    return out;
}

QByteArray fieldElement(const RawField& field) {
    QByteArray element = "<FIELD attrname=\"" + escaped(field.name) + "\"";
    const std::uint16_t baseType = field.type & BinaryType::BaseMask;
    if (baseType == BinaryType::SignedInteger) {
        element.append(" fieldtype=\"i4\"");
    } else if (baseType == BinaryType::Text) {
        const RawProperty* width = field.findProperty("WIDTH");
        element.append(" fieldtype=\"string\" WIDTH=\"" +
                       QByteArray::number(width ? width->toUnsigned() : 0) + "\"");
    } else {
        element.append(" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"");
    }
    return element + "/>";
}

// A null in a row that replaces another cannot be told from a value kept
// from the row replaced: such a row is written whole instead, every value
// followed back through the rows it replaces, and its log entry replaces
// no row. The table's content stays the same.
class RowsAsWritten {
public:
    explicit RowsAsWritten(const RawBinaryPacket& packet)
        : m_packet(packet), m_entries(packet.changeLog()), m_replaced(packet.rows.size(), 0) {
        for (const ChangeLogEntry& entry : m_entries)
            m_replaced[entry.row - 1] = entry.replacedRow;
        for (ChangeLogEntry& entry : m_entries) {
            if (entry.replacedRow != 0 && holdsNull(m_packet.rows[entry.row - 1])) {
                m_writtenWhole.push_back(entry.row - 1);
                entry.replacedRow = 0;
            }
        }
    }

    QByteArray changeLogText() const {
        QByteArrayList numbers;
        for (const ChangeLogEntry& entry : m_entries) {
            numbers << QByteArray::number(entry.row) << QByteArray::number(entry.replacedRow)
                    << QByteArray::number(entry.kind);
        }
        return numbers.join(' ');
    }

    QByteArray rowElement(std::size_t rowIndex) const {
        const RawRow& row = m_packet.rows[rowIndex];
        const bool whole = std::find(m_writtenWhole.begin(), m_writtenWhole.end(), rowIndex) !=
                           m_writtenWhole.end();
        QByteArray element = "<ROW";
        if (row.state != RowState::Current)
            element.append(" RowState=\"" + QByteArray::number(row.state) + "\"");
        for (std::size_t index = 0; index < row.cells.size(); ++index) {
            const RawCell& cell = whole ? resolved(rowIndex, index) : row.cells[index];
            if (cell.indicator != CellIndicator::Value)
                continue;
            const RawField& field = m_packet.fields[index];
            const bool integer = (field.type & BinaryType::BaseMask) == BinaryType::SignedInteger;
            const QByteArray value =
                integer
                    ? QByteArray::number(qFromLittleEndian<std::int32_t>(cell.bytes.constData()))
                    : escaped(cell.bytes);
            element.append(" " + field.name + "=\"" + value + "\"");
        }
        return element + "/>";
    }

private:
    static bool holdsNull(const RawRow& row) {
        return std::any_of(row.cells.begin(), row.cells.end(), [](const RawCell& cell) {
            return cell.indicator == CellIndicator::Null;
        });
    }

    const RawCell& resolved(std::size_t rowIndex, std::size_t fieldIndex) const {
        const RawCell* cell = &m_packet.rows[rowIndex].cells[fieldIndex];
        while (cell->indicator == CellIndicator::SameAsReplaced) {
            rowIndex = m_replaced[rowIndex] - 1;
            cell = &m_packet.rows[rowIndex].cells[fieldIndex];
        }
        return *cell;
    }

    const RawBinaryPacket& m_packet;
    std::vector<ChangeLogEntry> m_entries;
    std::vector<std::uint32_t> m_replaced; // by row index, as the packet's log says
    std::vector<std::size_t> m_writtenWhole;
};

} // namespace

QByteArray dataPacketXmlFromRaw(const RawBinaryPacket& packet) {
    QByteArray document = "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n"
                          "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (const RawField& field : packet.fields)
        document.append(fieldElement(field));
    const RowsAsWritten rows(packet);
    document.append("</FIELDS><PARAMS");
    if (!packet.changeLog().empty())
        document.append(" CHANGE_LOG=\"" + rows.changeLogText() + "\"");
    document.append("/></METADATA><ROWDATA>");
    for (std::size_t index = 0; index < packet.rows.size(); ++index)
        document.append(rows.rowElement(index));
    document.append("</ROWDATA></DATAPACKET>\r\n");
    return document;
}

} // namespace savrona::test_support
