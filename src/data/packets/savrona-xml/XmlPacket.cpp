// Reads the XML form: in pieces on several threads when it can, otherwise the whole
// document at once, which gives every message.
#include "data/packets/savrona-xml/XmlPacket.h"

#include "data/packets/PacketRules.h"
#include "data/packets/savrona-xml/XmlPacketElements.h"
#include "data/packets/xml/XmlBytes.h"

#include <pugixml.hpp>

#include <iterator>

namespace savrona {

using namespace packet_rules;
using xml_bytes::leadingSkipLength;

namespace {

// Parses the whole document at once, in place, on the calling thread: the
// reader that gives every packet and every message. The reader in pieces
// (XmlPiecesReader.h) must give the same, or hand over to this one.
class XmlPacketReader {
public:
    // Parsed in place, so that the values are read straight from the buffer:
    // a buffer handed over is parsed as it is, without a copy.
    explicit XmlPacketReader(QByteArray bytes)
        : m_skipped(leadingSkipLength(bytes)), m_buffer(std::move(bytes)) {}

    Packet read() {
        const pugi::xml_parse_result result = m_document.load_buffer_inplace(
            m_buffer.data() + m_skipped, std::size_t(m_buffer.size() - m_skipped),
            xml_elements::parseOptions, pugi::encoding_utf8);
        if (!result)
            throwDamaged(QStringLiteral("the XML is malformed at byte %1 (%2)")
                             .arg(m_skipped + result.offset)
                             .arg(QLatin1String(result.description())));
        const pugi::xml_node root = xml_elements::checkedRootElement(m_document);
        Packet packet;
        packet.fields = xml_elements::readFields(xml_elements::onlyChild(root, "fields"));
        packet.rows =
            xml_elements::readRows(xml_elements::onlyChild(root, "rows"), packet.fields,
                                   xml_elements::rowFormOf(root), std::uint64_t(m_buffer.size()));
        return packet;
    }

private:
    qsizetype m_skipped;
    QByteArray m_buffer;
    pugi::xml_document m_document;
};

// The rows of this layout as the pieces reader reads them: <row> elements in
// <rows>, read as the whole reader reads them.
class XmlPacketRows : public XmlRowsLayout {
public:
    XmlPacketRows() : XmlRowsLayout({"<rows>", "</rows", "<row", xml_elements::parseOptions}) {}

    bool suitsParse(QByteArrayView) const override {
        return true; // every text is checked to be UTF-8 as it is read
    }

    pugi::xml_node readOutline(const pugi::xml_document& outline) override {
        const pugi::xml_node root = xml_elements::checkedRootElement(outline);
        m_fields = xml_elements::readFields(xml_elements::onlyChild(root, "fields"));
        m_rowForm = xml_elements::rowFormOf(root);
        return xml_elements::onlyChild(root, "rows");
    }

    std::size_t fieldCount() const override { return m_fields.size(); }

    void startPieces(std::size_t pieceCount) override { m_pieces.resize(pieceCount); }

    void readRow(std::size_t piece, const pugi::xml_node& element) override {
        std::vector<Row>& rows = m_pieces[piece];
        rows.push_back(xml_elements::readRow(element, m_fields, m_rowForm, rows.size() + 1));
    }

    Packet packet() && {
        std::size_t count = 0;
        for (const std::vector<Row>& rows : m_pieces)
            count += rows.size();
        Packet packet{std::move(m_fields), {}};
        packet.rows.reserve(count);
        for (std::vector<Row>& rows : m_pieces)
            std::move(rows.begin(), rows.end(), std::back_inserter(packet.rows));
        return packet;
    }

private:
    std::vector<FieldDefinition> m_fields;
    xml_elements::RowForm m_rowForm = xml_elements::RowForm::AttributesOnly;
    std::vector<std::vector<Row>> m_pieces;
};

std::optional<Packet> readInPiecesLettingGo(QByteArray& bytes, const XmlPiecesSettings& settings,
                                            bool& bytesLetGo) {
    XmlPacketRows rows;
    if (!readXmlRowsInPiecesLettingGo(bytes, rows, settings, bytesLetGo))
        return std::nullopt;
    return std::move(rows).packet();
}

} // namespace

std::optional<Packet> readXmlPacketInPieces(QByteArrayView document,
                                            const XmlPiecesSettings& settings) {
    XmlPacketRows rows;
    if (!readXmlRowsInPieces(document, rows, settings))
        return std::nullopt;
    return std::move(rows).packet();
}

bool looksLikeXmlPacket(QByteArrayView bytes) {
    const qsizetype start = leadingSkipLength(bytes);
    return start < bytes.size() && bytes[start] == '<';
}

// A large packet is read in pieces when it can be; the pieces reader never
// changes the bytes, so the whole document is still there to read at once
// when it declines.
Packet readXmlPacket(QByteArrayView bytes) {
    if (std::optional<Packet> packet = readXmlPacketInPieces(bytes, defaultXmlPiecesSettings()))
        return std::move(*packet);
    return readXmlPacketOnOneThread(bytes);
}

Packet readXmlPacketInPlace(QByteArray&& bytes) {
    if (std::optional<Packet> packet = readXmlPacketInPieces(bytes, defaultXmlPiecesSettings()))
        return std::move(*packet);
    return XmlPacketReader(std::move(bytes)).read();
}

std::optional<Packet> readXmlPacketLettingGo(QByteArray&& bytes,
                                             const XmlPiecesSettings& settings) {
    bool bytesLetGo = false;
    if (std::optional<Packet> packet = readInPiecesLettingGo(bytes, settings, bytesLetGo))
        return packet;
    if (bytesLetGo)
        return std::nullopt;
    return XmlPacketReader(std::move(bytes)).read();
}

Packet readXmlPacketOnOneThread(QByteArrayView bytes) {
    return XmlPacketReader(bytes.toByteArray()).read();
}

} // namespace savrona
