// Reads the <ROW> elements of a large document in the original engine's XML layout in
// pieces, one thread a piece, leaving the document to the whole reader whenever it
// cannot vouch for the same result.
#include "data/packets/engine-xml/DataPacketXmlPieces.h"

#include "data/packets/engine-xml/DataPacketXmlEncoding.h"
#include "data/Error.h"
#include "data/packets/xml/XmlPacketBytes.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <system_error>

// Why the pieces give exactly the whole document's rows, or nothing: as in
// XmlPiecesReader.cpp. The document is cut into its outline (everything
// before and after the content of <ROWDATA>) and that content, which is cut
// again at "<ROW" tags. The outline is parsed and checked exactly as the
// whole reader checks it, and its <ROWDATA> element must be the one whose
// tag was cut at. Each piece of the content is parsed as a fragment, which
// parses as it would inside <ROWDATA> unless it holds "<!", "<?" or NUL or
// starts with a byte order mark; such pieces, pieces holding anything but
// <ROW> elements at their top (what a cut inside a tag always gives) and
// every error are declined. Row numbers in messages are a piece's own, so
// an error is never reported from here: the whole reader reads the
// document again and reports it with the whole document's numbers.

namespace savrona::data_packet_xml {

namespace {

constexpr QByteArrayView rowDataStartTag = "<ROWDATA>";
constexpr QByteArrayView rowDataEndTagOpening = "</ROWDATA";
constexpr QByteArrayView rowTagOpening = "<ROW";
// An outline is the field definitions, some hundred bytes; a larger one is
// not worth a copy.
constexpr qsizetype largestOutline = 1024 * 1024;

struct ByteRange {
    qsizetype begin = 0;
    qsizetype end = 0;

    qsizetype size() const { return end - begin; }
};

// The first "<ROW" followed by white space, "/" or ">" at or after from and
// before end; end when there is none.
qsizetype nextRowTagStart(QByteArrayView document, qsizetype from, qsizetype end) {
    return xml_packet_bytes::nextTagStart(document, rowTagOpening, from, end);
}

// The content of <ROWDATA>, from just after the first "<ROWDATA>" to the
// last "</ROWDATA": a candidate that the outline's parse confirms.
std::optional<ByteRange> findRowDataContent(QByteArrayView document) {
    const auto content =
        xml_packet_bytes::findElementContent(document, rowDataStartTag, rowDataEndTagOpening);
    if (!content)
        return std::nullopt;
    return ByteRange{content->begin, content->end};
}

// Whether the bytes, as parsed, give what the whole reader takes them to
// give when it finds the whole document so.
bool fitsParsedBytes(QByteArrayView bytes, ParsedBytes parsedBytes) {
    const CharacterReferences references = scanCharacterReferences(bytes);
    if (references.holdNull || !references.allEncodable)
        return false;
    if (parsedBytes == ParsedBytes::CodePage1252)
        return references.allAscii;
    return bytes.isValidUtf8();
}

// The outline parsed and read, or nothing when its <ROWDATA> is not the one cut at.
std::optional<Outline> readOutlineAround(QByteArrayView document, ByteRange content,
                                         ParsedBytes bytes,
                                         const std::optional<QByteArray>& declaredEncoding) {
    const qsizetype skipped = xml_packet_bytes::leadingSkipLength(document);
    const qsizetype rowDataName = content.begin - rowDataStartTag.size() + 1;
    if (rowDataName <= skipped)
        return std::nullopt;
    QByteArray outline = document.sliced(skipped, content.begin - skipped).toByteArray();
    outline += document.sliced(content.end);
    if (!fitsParsedBytes(document.first(skipped), bytes) || !fitsParsedBytes(outline, bytes))
        return std::nullopt;
    pugi::xml_document parsed;
    if (!parsed.load_buffer_inplace(outline.data(), std::size_t(outline.size()), parseOptions,
                                    pugi::encoding_utf8))
        return std::nullopt;
    pugi::xml_node rowData;
    Outline read = readOutline(parsed, bytes, declaredEncoding, rowData);
    // Parsed in place, the element's name points into the outline.
    if (rowData.name() != outline.constData() + (rowDataName - skipped))
        return std::nullopt;
    return read;
}

// Reads the content of <ROWDATA> in pieces, one thread a piece, the calling
// thread taking the first.
class RowPieces {
public:
    RowPieces(QByteArrayView document, const Outline& outline, ParsedBytes bytes,
              qsizetype chunkSize)
        : m_document(document), m_bytes(bytes), m_reader(outline.fields, outline.rowNames, bytes),
          m_chunkSize(std::max<qsizetype>(chunkSize, 1)) {}

    std::optional<ReadRows> read(ByteRange content, int pieceCount) {
        const std::vector<ByteRange> pieces = piecesOf(content, pieceCount);
        std::vector<std::future<std::optional<ReadRows>>> otherPieces;
        for (std::size_t index = 1; index < pieces.size(); ++index)
            otherPieces.push_back(startPiece(pieces[index]));
        std::optional<ReadRows> rows = readPiece(pieces.front());
        for (auto& piece : otherPieces) {
            std::optional<ReadRows> more = piece.get();
            if (rows && more)
                rows->append(std::move(*more));
            else
                rows.reset();
        }
        return rows;
    }

private:
    // On a thread of its own, or, when the system gives no thread, on the
    // calling thread after the first piece.
    std::future<std::optional<ReadRows>> startPiece(ByteRange piece) {
        try {
            return std::async(std::launch::async, &RowPieces::readPiece, this, piece);
        } catch (const std::system_error&) {
            return std::async(std::launch::deferred, &RowPieces::readPiece, this, piece);
        }
    }

    // Cut near equal byte offsets, each at the start of a <ROW> tag.
    std::vector<ByteRange> piecesOf(ByteRange content, int pieceCount) const {
        std::vector<ByteRange> pieces;
        qsizetype begin = content.begin;
        for (int index = 1; index < pieceCount; ++index) {
            const qsizetype end = nextRowTagStart(
                m_document, content.begin + content.size() * index / pieceCount, content.end);
            pieces.push_back({begin, end});
            begin = end;
        }
        pieces.push_back({begin, content.end});
        return pieces;
    }

    // Parsed from pugixml's own copy of a megabyte at a time, so that
    // the document stays as it is for the whole reader.
    std::optional<ReadRows> readPiece(ByteRange piece) {
        pugi::xml_document parsed;
        ReadRows rows;
        for (qsizetype begin = piece.begin; begin < piece.end;) {
            if (m_declined.load(std::memory_order_relaxed))
                return std::nullopt;
            const qsizetype end =
                nextRowTagStart(m_document, std::min(begin + m_chunkSize, piece.end), piece.end);
            if (!appendRowsOfChunk(m_document.sliced(begin, end - begin), parsed, rows)) {
                m_declined.store(true, std::memory_order_relaxed);
                return std::nullopt;
            }
            begin = end;
        }
        return rows;
    }

    bool appendRowsOfChunk(QByteArrayView chunk, pugi::xml_document& parsed, ReadRows& rows) const {
        if (!xml_packet_bytes::parsesAsInsideAnElement(chunk) || !fitsParsedBytes(chunk, m_bytes))
            return false;
        if (!parsed.load_buffer(chunk.data(), std::size_t(chunk.size()),
                                parseOptions | pugi::parse_fragment, pugi::encoding_utf8))
            return false;
        try {
            for (const pugi::xml_node& node : parsed.children()) {
                if (node.type() != pugi::node_element || QByteArrayView("ROW") != node.name())
                    return false;
                m_reader.read(node, rows.rows.size() + 1, rows);
            }
        } catch (const Error&) {
            return false;
        }
        return true;
    }

    QByteArrayView m_document;
    ParsedBytes m_bytes;
    RowReader m_reader;
    qsizetype m_chunkSize;
    std::atomic<bool> m_declined{false};
};

} // namespace

std::optional<PiecesRead> readRowsInPieces(QByteArrayView document, ParsedBytes bytes,
                                           const std::optional<QByteArray>& declaredEncoding,
                                           const XmlPiecesSettings& settings) {
    if (settings.pieceCount < 2 || document.size() < settings.smallestRowsContent)
        return std::nullopt;
    const std::optional<ByteRange> content = findRowDataContent(document);
    if (!content || content->size() < settings.smallestRowsContent ||
        document.size() - content->size() > largestOutline)
        return std::nullopt;
    // An error here only says that this document is not one to vouch for:
    // the whole reader reads it again and gives its own message.
    std::optional<PiecesRead> read;
    try {
        std::optional<Outline> outline =
            readOutlineAround(document, *content, bytes, declaredEncoding);
        if (!outline)
            return std::nullopt;
        read.emplace(PiecesRead{std::move(*outline), {}});
    } catch (const Error&) {
        return std::nullopt;
    }
    std::optional<ReadRows> rows = RowPieces(document, read->outline, bytes, settings.chunkSize)
                                       .read(*content, settings.pieceCount);
    if (!rows)
        return std::nullopt;
    read->rows = std::move(*rows);
    return read;
}

} // namespace savrona::data_packet_xml
