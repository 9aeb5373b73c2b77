// Reads the XML form: in pieces on several threads when it can, otherwise the whole
// document at once, which gives every message.
#include "data/packets/savrona-xml/XmlPacket.h"

#include "data/packets/PacketRules.h"
#include "data/packets/xml/XmlPacketBytes.h"
#include "data/packets/savrona-xml/XmlPacketElements.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <pugixml.hpp>

namespace savrona {

using namespace packet_rules;
using xml_packet_bytes::leadingSkipLength;

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

} // namespace

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

std::optional<Packet> readXmlPacketLettingGo(QByteArray&& bytes) {
    bool bytesLetGo = false;
    if (std::optional<Packet> packet =
            readXmlPacketInPiecesLettingGo(bytes, defaultXmlPiecesSettings(), bytesLetGo))
        return packet;
    if (bytesLetGo)
        return std::nullopt;
    return XmlPacketReader(std::move(bytes)).read();
}

Packet readXmlPacketOnOneThread(QByteArrayView bytes) {
    return XmlPacketReader(bytes.toByteArray()).read();
}

} // namespace savrona
