// Writes a packet back in the original engine's XML layout it was read in: the
// declaration, document type, root, field and parameter attributes as read, then the
// current rows.
#include "data/packets/engine-xml/DataPacketXml.h"

#include "data/packets/PacketRules.h"
#include "data/packets/engine-xml/DataPacketXmlDocumentType.h"
#include "data/packets/engine-xml/DataPacketXmlEncoding.h"

#include <algorithm>

namespace savrona {

using namespace packet_rules;
using namespace data_packet_xml;

namespace {

constexpr qsizetype chunkSize = qsizetype(256) << 10;

class DataPacketXmlWriter {
public:
    // Writes through writer in chunks of a quarter megabyte, or, without one,
    // into the buffer that write() returns.
    DataPacketXmlWriter(const PacketView& packet, const ChunkWriter* writer)
        : m_packet(packet), m_layout(*packet.dataPacketXmlLayout),
          m_encoding(targetEncodingOf(m_layout.declaration)),
          m_keptReferences(declaredEntityNames(m_layout.documentType)), m_writer(writer) {
        if (m_writer)
            m_out.reserve(chunkSize + chunkSize / 4);
    }

    QByteArray write() {
        if (m_encoding == TargetEncoding::CodePage1252 && !declaresEncoding(m_layout.declaration) &&
            codePageBytesWouldReadAsUtf8())
            m_encoding = TargetEncoding::CodePage1252AsAscii;
        m_rowNames = checkedRowNames();
        writeMetadata();
        m_out.append("<ROWDATA>");
        // Each row is checked just before it is written; a row that cannot
        // be written throws, and the file the chunks went to is dropped whole.
        for (std::size_t rowIndex = 0; rowIndex < m_packet.rows.size(); ++rowIndex) {
            checkRowCanBeWritten(m_packet, rowIndex);
            writeRow(rowIndex);
            if (m_writer && m_out.size() >= chunkSize)
                handOver();
        }
        m_out.append("</ROWDATA></DATAPACKET>\r\n");
        if (m_writer)
            handOver();
        return std::move(m_out);
    }

private:
    // The attribute name of each field in <ROW>: its attrname as read, in
    // the file's encoding.
    std::vector<QByteArray> checkedRowNames() const {
        if (m_layout.fields.size() != m_packet.fields.size())
            throwCannotWrite(QStringLiteral("the packet has %1 fields but its layout %2")
                                 .arg(m_packet.fields.size())
                                 .arg(m_layout.fields.size()));
        std::vector<QByteArray> names;
        for (std::size_t index = 0; index < m_layout.fields.size(); ++index) {
            const QByteArray name = m_packet.fields[index].name.toUtf8();
            const bool named =
                std::any_of(m_layout.fields[index].begin(), m_layout.fields[index].end(),
                            [&name](const XmlAttribute& attribute) {
                                return attribute.name == "attrname" && attribute.value == name;
                            });
            if (!named || !isXmlName(name))
                throwCannotWrite(QStringLiteral("the field %1 has no definition of that name")
                                     .arg(quoted(m_packet.fields[index].name)));
            names.push_back(checkedName(name));
        }
        return names;
    }

    QByteArray checkedName(QByteArrayView utf8) const {
        std::optional<QByteArray> name = encodedName(utf8, m_encoding);
        if (!name || !utf8.isValidUtf8())
            throwCannotWrite(QStringLiteral("the name %1 holds a character that the file's "
                                            "encoding cannot hold")
                                 .arg(quotedBytes(utf8)));
        if (m_encoding == TargetEncoding::CodePage1252AsAscii && name->size() != utf8.size())
            throwCannotWrite(QStringLiteral("the name %1 would read as UTF-8 in a file that "
                                            "declares no encoding")
                                 .arg(quotedBytes(utf8)));
        return std::move(*name);
    }

    // A file that declares no encoding is read as UTF-8 when its bytes are
    // valid UTF-8: true when the code page bytes of every name and text
    // beyond ASCII would be, so that the file would be read back wrong.
    bool codePageBytesWouldReadAsUtf8() const {
        bool beyondAscii = false;
        const auto readsAsUtf8 = [&beyondAscii](QByteArrayView utf8) {
            if (isAscii(utf8))
                return true;
            beyondAscii = true;
            // A text that is no UTF-8 is refused when its row is written.
            return utf8.isValidUtf8() && codePage1252BytesOf(utf8).isValidUtf8();
        };
        const auto attributesReadAsUtf8 = [&](const XmlAttributes& attributes) {
            return std::all_of(
                attributes.begin(), attributes.end(), [&](const XmlAttribute& attribute) {
                    return readsAsUtf8(attribute.name) && readsAsUtf8(attribute.value);
                });
        };
        if (!attributesReadAsUtf8(m_layout.declaration) || !readsAsUtf8(m_layout.documentType) ||
            !attributesReadAsUtf8(m_layout.root) || !attributesReadAsUtf8(m_layout.params))
            return false;
        for (const XmlAttributes& field : m_layout.fields) {
            if (!attributesReadAsUtf8(field))
                return false;
        }
        for (const Row& row : m_packet.rows) {
            for (const Value& value : row) {
                if (value.isText() && !readsAsUtf8(value.utf8()))
                    return false;
            }
        }
        return beyondAscii;
    }

    void writeMetadata() {
        if (!m_layout.declaration.empty()) {
            m_out.append("<?xml");
            appendAttributes(m_layout.declaration);
            m_out.append("?>\r\n");
        }
        if (!m_layout.documentType.isEmpty()) {
            m_out.append(encodedDocumentType());
            m_out.append("\r\n");
        }
        m_out.append("<DATAPACKET");
        appendAttributes(m_layout.root);
        m_out.append("><METADATA><FIELDS>");
        for (const XmlAttributes& field : m_layout.fields) {
            m_out.append("<FIELD");
            appendAttributes(field);
            m_out.append("/>");
        }
        m_out.append("</FIELDS>");
        if (m_layout.hasParams) {
            m_out.append("<PARAMS");
            appendAttributes(m_layout.params);
            m_out.append("/>");
        }
        m_out.append("</METADATA>");
    }

    // The document type as read, in the file's encoding, which was checked
    // on reading to hold it.
    QByteArray encodedDocumentType() const {
        const QByteArray& utf8 = m_layout.documentType;
        const std::optional<QByteArray> bytes = encodedName(utf8, m_encoding);
        if (!bytes || !utf8.isValidUtf8())
            throwCannotWrite(QStringLiteral("the document type holds a character that the file's "
                                            "encoding cannot hold"));
        if (m_encoding == TargetEncoding::CodePage1252AsAscii && bytes->size() != utf8.size())
            throwCannotWrite(QStringLiteral("the document type would read as UTF-8 in a file "
                                            "that declares no encoding"));
        return *bytes;
    }

    void appendAttributes(const XmlAttributes& attributes) {
        for (const XmlAttribute& attribute : attributes) {
            m_out.append(' ');
            m_out.append(checkedName(attribute.name));
            m_out.append("=\"");
            if (!attribute.value.isValidUtf8() ||
                !appendAttributeValue(m_out, attribute.value, m_encoding, m_keptReferences))
                throwCannotWrite(QStringLiteral("the attribute %1 holds a character that XML "
                                                "cannot hold")
                                     .arg(quotedBytes(attribute.name)));
            m_out.append('"');
        }
    }

    void writeRow(std::size_t rowIndex) {
        const Row& row = m_packet.rows[rowIndex];
        m_out.append("<ROW");
        for (std::size_t index = 0; index < row.size(); ++index) {
            const Value& value = row[index];
            if (value.isNull())
                continue;
            m_out.append(' ');
            m_out.append(m_rowNames[index]);
            m_out.append("=\"");
            if (value.isInteger())
                m_out.append(QByteArray::number(value.integer()));
            else if (!appendAttributeValue(m_out, value.utf8(), m_encoding, m_keptReferences))
                throwCannotWrite(QStringLiteral("row %1 holds the character U+0000 in the field "
                                                "%2, which XML cannot hold")
                                     .arg(rowIndex + 1)
                                     .arg(quoted(m_packet.fields[index].name)));
            m_out.append('"');
        }
        m_out.append("/>");
    }

    void handOver() {
        (*m_writer)(m_out);
        m_out.resize(0); // keeps the room for the next chunk
    }

    PacketView m_packet;
    const DataPacketXmlLayout& m_layout;
    TargetEncoding m_encoding;
    // The entities the document type declares: "&name;" in a text stays a
    // reference to one.
    EntityNames m_keptReferences;
    const ChunkWriter* m_writer;
    std::vector<QByteArray> m_rowNames;
    QByteArray m_out;
};

} // namespace

QByteArray writeDataPacketXml(const PacketView& packet) {
    return DataPacketXmlWriter(packet, nullptr).write();
}

void writeDataPacketXml(const PacketView& packet, const ChunkWriter& writer) {
    DataPacketXmlWriter(packet, &writer).write();
}

} // namespace savrona
