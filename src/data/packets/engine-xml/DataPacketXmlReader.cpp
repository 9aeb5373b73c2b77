// Reads the original engine's XML data packets: the bytes told and made parseable, the
// document parsed whole or its rows in pieces, and the rows merged with the change log
// by the binary packet's merge.
#include "data/packets/engine-xml/DataPacketXml.h"

#include "data/packets/PacketRules.h"
#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXmlDocumentType.h"
#include "data/packets/engine-xml/DataPacketXmlEncoding.h"
#include "data/packets/engine-xml/DataPacketXmlOutline.h"
#include "data/packets/xml/XmlBytes.h"

#include <iterator>

namespace savrona {

using namespace packet_rules;
using namespace data_packet_xml;

namespace {

void checkNoNullCharacter(const CharacterReferences& references) {
    if (references.holdNull)
        throwDamaged(QStringLiteral("it holds the reference to the character 0, which no XML "
                                    "document can hold"));
}

// A document as read, and what its bytes are.
struct SourceDocument {
    QByteArray bytes;
    SourceEncoding encoding;
    // Told before a parse, which changes the bytes in place.
    ToldBeforeParse told;
};

// The document type as it stands, its entity references checked against it.
std::optional<QByteArray> documentTypeOf(QByteArrayView bytes, SourceEncoding encoding) {
    const Prolog prolog = prologOf(bytes);
    if (!prolog.documentType)
        return std::nullopt;
    checkEntityReferences(bytes, prolog, encoding);
    QByteArray documentType = documentTypeInUtf8(*prolog.documentType, encoding);
    if (!documentType.isValidUtf8())
        throwDamaged(QStringLiteral("its document type is not valid UTF-8"));
    return documentType;
}

SourceDocument sourceDocument(QByteArray bytes) {
    const SourceEncoding encoding = sourceEncodingOf(bytes);
    SourceDocument document{
        {}, encoding, {declaredEncodingName(bytes), documentTypeOf(bytes, encoding)}};
    document.bytes = std::move(bytes);
    return document;
}

// A document ready for the reader of the whole document.
struct PreparedDocument {
    QByteArray bytes;
    // The file's bytes, when bytes were converted from them, for the
    // offsets in messages.
    QByteArray original;
    ParsedBytes parsedBytes = ParsedBytes::Utf8ToCheck;
    ToldBeforeParse told;
};

// A code page document is parsed as it is when its references give ASCII
// only, so that texts are converted as they are taken; otherwise it is
// converted whole first, since references give UTF-8.
PreparedDocument prepared(SourceDocument&& source) {
    PreparedDocument document;
    document.told = std::move(source.told);
    const CharacterReferences references = scanCharacterReferences(source.bytes);
    checkNoNullCharacter(references);
    if (source.encoding == SourceEncoding::CodePage1252 && references.allAscii) {
        document.parsedBytes = ParsedBytes::CodePage1252;
        document.bytes = std::move(source.bytes);
        return document;
    }
    if (source.encoding == SourceEncoding::CodePage1252) {
        document.bytes = codePage1252ToUtf8(source.bytes);
        document.original = std::move(source.bytes);
    } else {
        document.bytes = std::move(source.bytes);
    }
    const bool valid = !document.original.isNull() || document.bytes.isValidUtf8();
    document.parsedBytes =
        valid && references.allEncodable ? ParsedBytes::ValidUtf8 : ParsedBytes::Utf8ToCheck;
    return document;
}

RawBinaryPacket rawPacketOf(const Outline& outline, const ReadRows& read) {
    RawBinaryPacket raw;
    for (const FieldDefinition& field : outline.fields) {
        const QByteArray name = field.name.toUtf8();
        raw.fields.push_back(field.type == FieldType::Integer ? RawField::integer(name)
                             : field.type == FieldType::Text  ? RawField::text(name, 0)
                                                              : RawField::memo(name));
    }
    raw.properties.push_back(RawProperty::text("TEXT_ENCODING", "UTF-8"));
    raw.setChangeLog(outline.changeLog);
    std::vector<bool> replacesARow(read.rows.size(), false);
    for (const ChangeLogEntry& entry : outline.changeLog) {
        if (entry.row >= 1 && entry.row <= read.rows.size() && entry.replacedRow != 0)
            replacesARow[entry.row - 1] = true;
    }
    raw.rows.reserve(read.rows.size());
    for (std::size_t index = 0; index < read.rows.size(); ++index) {
        RawRow rawRow{read.states[index], {}};
        rawRow.cells.reserve(outline.fields.size());
        for (const Value& value : read.rows[index]) {
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

// The table's current content: the rows merged with the change log exactly
// as the binary packet's rows are. Rows all current need no merge.
Packet mergedPacket(Outline&& outline, ReadRows&& read) {
    Packet packet;
    const bool everyRowCurrent =
        outline.changeLog.empty() &&
        std::all_of(read.states.begin(), read.states.end(),
                    [](std::uint8_t state) { return (state & RowState::NotCurrentMask) == 0; });
    if (everyRowCurrent)
        packet.rows = std::move(read.rows);
    else
        packet.rows = mergeRawBinaryPacket(rawPacketOf(outline, read)).rows;
    packet.fields = std::move(outline.fields);
    packet.dataPacketXmlLayout = std::move(outline.layout);
    return packet;
}

// The size of the file the document came in, for the cap on its values.
std::uint64_t fileSizeOf(const PreparedDocument& document) {
    return std::uint64_t(document.original.isNull() ? document.bytes.size()
                                                    : document.original.size());
}

Packet readWholeDocument(PreparedDocument& document) {
    const qsizetype skipped = xml_bytes::leadingSkipLength(document.bytes);
    pugi::xml_document parsed;
    const pugi::xml_parse_result result = parsed.load_buffer_inplace(
        document.bytes.data() + skipped, std::size_t(document.bytes.size() - skipped), parseOptions,
        pugi::encoding_utf8);
    if (!result) {
        const qsizetype offset = skipped + result.offset;
        throwDamaged(QStringLiteral("the XML is malformed at byte %1 (%2)")
                         .arg(document.original.isNull()
                                  ? offset
                                  : codePage1252OffsetOf(document.original, offset))
                         .arg(QLatin1String(result.description())));
    }
    pugi::xml_node rowData;
    Outline outline = readOutline(parsed, document.parsedBytes, document.told, rowData);
    refuseTooManyValues(std::uint64_t(std::distance(rowData.begin(), rowData.end())),
                        outline.fields.size(), fileSizeOf(document));
    const RowReader reader(outline.fields, outline.rowNames, document.parsedBytes);
    ReadRows rows;
    std::size_t rowNumber = 0;
    for (const pugi::xml_node& element : rowData.children())
        reader.read(element, ++rowNumber, rows);
    return mergedPacket(std::move(outline), std::move(rows));
}

// The rows of this layout as the pieces reader reads them: <ROW> elements in
// <ROWDATA>, from the document's bytes as they are, read as the whole reader
// reads them.
class RowDataInPieces : public XmlRowsLayout {
public:
    explicit RowDataInPieces(const SourceDocument& source)
        : XmlRowsLayout({"<ROWDATA>", "</ROWDATA", "<ROW", parseOptions}),
          m_bytes(source.encoding == SourceEncoding::CodePage1252 ? ParsedBytes::CodePage1252
                                                                  : ParsedBytes::ValidUtf8),
          m_told(source.told) {}

    // A piece whose bytes or character references do not fit how they are
    // taken (invalid UTF-8, a reference to a character beyond ASCII in code
    // page 1252 or to none) is declined.
    bool suitsParse(QByteArrayView bytes) const override {
        const CharacterReferences references = scanCharacterReferences(bytes);
        if (references.holdNull || !references.allEncodable)
            return false;
        if (m_bytes == ParsedBytes::CodePage1252)
            return references.allAscii;
        return bytes.isValidUtf8();
    }

    pugi::xml_node readOutline(const pugi::xml_document& outline) override {
        pugi::xml_node rowData;
        m_outline = data_packet_xml::readOutline(outline, m_bytes, m_told, rowData);
        m_reader.emplace(m_outline.fields, m_outline.rowNames, m_bytes);
        return rowData;
    }

    std::size_t fieldCount() const override { return m_outline.fields.size(); }

    void startPieces(std::size_t pieceCount) override { m_pieces.resize(pieceCount); }

    void readRow(std::size_t piece, const pugi::xml_node& element) override {
        ReadRows& rows = m_pieces[piece];
        m_reader->read(element, rows.rows.size() + 1, rows);
    }

    Packet packet() && {
        ReadRows rows;
        for (ReadRows& piece : m_pieces)
            rows.append(std::move(piece));
        return mergedPacket(std::move(m_outline), std::move(rows));
    }

private:
    ParsedBytes m_bytes;
    const ToldBeforeParse& m_told;
    Outline m_outline;
    std::optional<RowReader> m_reader;
    std::vector<ReadRows> m_pieces;
};

// A large document's rows are read in pieces when they can be, taking its
// bytes as they are; the pieces reader never changes them, so the whole
// document is still there to read at once when it declines.
std::optional<Packet> readInPieces(const SourceDocument& source,
                                   const XmlPiecesSettings& settings) {
    RowDataInPieces rows(source);
    if (!readXmlRowsInPieces(source.bytes, rows, settings))
        return std::nullopt;
    return std::move(rows).packet();
}

std::optional<Packet> readInPiecesLettingGo(SourceDocument& source,
                                            const XmlPiecesSettings& settings, bool& bytesLetGo) {
    RowDataInPieces rows(source);
    if (!readXmlRowsInPiecesLettingGo(source.bytes, rows, settings, bytesLetGo))
        return std::nullopt;
    return std::move(rows).packet();
}

Packet readSource(SourceDocument&& source, const XmlPiecesSettings& settings) {
    if (std::optional<Packet> packet = readInPieces(source, settings))
        return std::move(*packet);
    PreparedDocument document = prepared(std::move(source));
    return readWholeDocument(document);
}

} // namespace

bool looksLikeDataPacketXml(QByteArrayView bytes) {
    const QByteArrayView rest = bytes.sliced(prologOf(bytes).length);
    constexpr QByteArrayView startTag = "<DATAPACKET";
    if (!rest.startsWith(startTag))
        return false;
    if (rest.size() == startTag.size())
        return true;
    const char next = rest[startTag.size()];
    return xml_bytes::isWhiteSpace(next) || next == '>' || next == '/';
}

Packet readDataPacketXml(QByteArrayView bytes) {
    return readDataPacketXml(bytes.toByteArray());
}

Packet readDataPacketXml(QByteArray&& bytes) {
    return readSource(sourceDocument(std::move(bytes)), defaultXmlPiecesSettings());
}

Packet readDataPacketXmlOnOneThread(QByteArrayView bytes) {
    PreparedDocument document = prepared(sourceDocument(bytes.toByteArray()));
    return readWholeDocument(document);
}

std::optional<Packet> readDataPacketXmlLettingGo(QByteArray&& bytes,
                                                 const XmlPiecesSettings& settings) {
    SourceDocument source = sourceDocument(std::move(bytes));
    bool bytesLetGo = false;
    if (std::optional<Packet> packet = readInPiecesLettingGo(source, settings, bytesLetGo))
        return packet;
    if (bytesLetGo)
        return std::nullopt;
    PreparedDocument document = prepared(std::move(source));
    return readWholeDocument(document);
}

std::optional<Packet> readDataPacketXmlInPieces(QByteArrayView bytes,
                                                const XmlPiecesSettings& settings) {
    return readInPieces(sourceDocument(bytes.toByteArray()), settings);
}

} // namespace savrona
