// Reads the rows of a large XML packet on several threads, leaving the document to the
// whole reader whenever it cannot vouch for the same result.
#include "data/packets/xml/XmlPiecesReader.h"

#include "data/Error.h"
#include "data/packets/PacketRules.h"
#include "data/packets/xml/XmlPacketBytes.h"
#include "data/packets/savrona-xml/XmlPacketElements.h"

#include <pugixml.hpp>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <iterator>
#include <system_error>
#include <thread>

// Why the pieces give exactly the whole document's packet, or nothing:
//
// The document is cut into its outline (everything before and after the
// content of <rows>) and that content, which is cut again at "<row" tags.
// The outline is parsed as a document, with the same options, and checked
// exactly as the whole reader checks it; the rows element it finds must be
// the one whose "<rows>" tag was cut at. pugixml parses forwards without
// looking ahead, so the whole document parses as the outline does, with the
// content in between parsed in the context of <rows>.
//
// Each piece of the content is parsed as a fragment, which is the context of
// an element except for what may only stand at the top of a document: a
// document type or declaration, a NUL character, which ends a document, and
// a byte order mark at the very start, which pugixml skips. Pieces holding
// "<!", "<?" or NUL or starting with the mark are declined (checked in
// parsesAsInsideAnElement), and so is any piece that does not parse or holds
// anything but <row> elements at its top, which is what a cut inside a tag
// or element always gives. What is left parses the same as in the whole
// document, so the rows are the whole document's rows.
//
// Whatever is declined, and every error, is left to the whole reader, which
// gives the packet or the message with the whole document's row numbers and
// byte offsets. So the bytes are never changed: pieces are parsed from
// pugixml's own copy of a megabyte at a time, which keeps the memory used
// below that of parsing the whole document in place; a larger copy stays
// with the reading thread's arena once freed, and adds to the peak.

namespace savrona {

namespace {

using xml_packet_bytes::RowsContent;

// A packet's outline is its field definitions, some hundred bytes; a larger
// one is not worth a copy.
constexpr qsizetype largestOutline = 1024 * 1024;
constexpr int mostPieces = 4;

struct ByteRange {
    qsizetype begin = 0;
    qsizetype end = 0;
};

// A piece's rows, or nothing when the piece is declined.
using RowsOfPiece = std::optional<std::vector<Row>>;

// What the outline tells about the rows: their fields and their form.
struct Outline {
    std::vector<FieldDefinition> fields;
    xml_elements::RowForm rowForm = xml_elements::RowForm::AttributesOnly;
};

// The document's outline, checked as the whole reader checks it, or nothing
// when the rows element is not the one cut at.
std::optional<Outline> readOutline(QByteArrayView document, const RowsContent& content) {
    const qsizetype skipped = xml_packet_bytes::leadingSkipLength(document);
    if (content.startTagNameOffset() < skipped)
        return std::nullopt;
    QByteArray outline = document.sliced(skipped, content.begin - skipped).toByteArray();
    outline += document.sliced(content.end);
    pugi::xml_document parsed;
    if (!parsed.load_buffer_inplace(outline.data(), std::size_t(outline.size()),
                                    xml_elements::parseOptions, pugi::encoding_utf8))
        return std::nullopt;
    const pugi::xml_node root = xml_elements::checkedRootElement(parsed);
    std::vector<FieldDefinition> fields =
        xml_elements::readFields(xml_elements::onlyChild(root, "fields"));
    // Parsed in place, the element's name points into the outline.
    const char* cutRowsName = outline.data() + (content.startTagNameOffset() - skipped);
    if (xml_elements::onlyChild(root, "rows").name() != cutRowsName)
        return std::nullopt;
    return Outline{std::move(fields), xml_elements::rowFormOf(root)};
}

// Reads the content of <rows> in pieces, one thread a piece, the calling
// thread taking the first.
class RowPiecesReader {
public:
    RowPiecesReader(QByteArrayView document, const Outline& outline, qsizetype chunkSize)
        : m_document(document), m_fields(outline.fields), m_rowForm(outline.rowForm),
          m_chunkSize(std::max<qsizetype>(chunkSize, 1)) {}

    // Gives each page of the document back to the system once it is parsed;
    // the document must be the caller's own bytes, given up for good.
    void letGoOfParsedPages(char* ownBytes) { m_ownBytes = ownBytes; }
    bool letGoOfAny() const { return m_letGoOfAny.load(); }

    std::optional<std::vector<Row>> read(const RowsContent& content, int pieceCount) {
        const std::vector<ByteRange> pieces = piecesOf(content, pieceCount);
        std::vector<std::future<RowsOfPiece>> otherPieces;
        for (std::size_t index = 1; index < pieces.size(); ++index)
            otherPieces.push_back(startPiece(pieces[index]));
        std::vector<RowsOfPiece> rowsOfPieces;
        rowsOfPieces.push_back(readPiece(pieces.front()));
        for (auto& piece : otherPieces)
            rowsOfPieces.push_back(piece.get());
        return joined(rowsOfPieces);
    }

private:
    // On a thread of its own, or, when the system gives no thread, on the
    // calling thread after the first piece.
    std::future<RowsOfPiece> startPiece(ByteRange piece) {
        try {
            return std::async(std::launch::async, &RowPiecesReader::readPiece, this, piece);
        } catch (const std::system_error&) {
            return std::async(std::launch::deferred, &RowPiecesReader::readPiece, this, piece);
        }
    }

    // Cut near equal byte offsets, each at the start of a <row> tag.
    std::vector<ByteRange> piecesOf(const RowsContent& content, int pieceCount) const {
        std::vector<ByteRange> pieces;
        qsizetype begin = content.begin;
        for (int index = 1; index < pieceCount; ++index) {
            const qsizetype end = xml_packet_bytes::nextRowTagStart(
                m_document, content.begin + content.size() * index / pieceCount, content.end);
            pieces.push_back({begin, end});
            begin = end;
        }
        pieces.push_back({begin, content.end});
        return pieces;
    }

    RowsOfPiece readPiece(ByteRange piece) {
        pugi::xml_document parsed;
        std::vector<Row> rows;
        for (qsizetype begin = piece.begin; begin < piece.end;) {
            if (m_declined.load(std::memory_order_relaxed))
                return std::nullopt;
            const qsizetype end = xml_packet_bytes::nextRowTagStart(
                m_document, std::min(begin + m_chunkSize, piece.end), piece.end);
            if (!appendRowsOfChunk(m_document.sliced(begin, end - begin), parsed, rows)) {
                m_declined.store(true, std::memory_order_relaxed);
                return std::nullopt;
            }
            letGoOfPagesWithin({begin, end});
            begin = end;
        }
        return rows;
    }

    // False when the chunk is not plain <row> elements. The row numbers are
    // the piece's own: a row that throws is read again by the whole reader.
    bool appendRowsOfChunk(QByteArrayView chunk, pugi::xml_document& parsed,
                           std::vector<Row>& rows) const {
        if (!xml_packet_bytes::parsesAsInsideAnElement(chunk))
            return false;
        if (!parsed.load_buffer(chunk.data(), std::size_t(chunk.size()),
                                xml_elements::parseOptions | pugi::parse_fragment,
                                pugi::encoding_utf8))
            return false;
        std::uint64_t rowCount = 0;
        for (const pugi::xml_node& node : parsed.children()) {
            if (!xml_elements::isNamed(node, "row"))
                return false;
            ++rowCount;
        }
        // Too many rows for the document's size: the whole reader refuses them.
        const std::uint64_t rowsSoFar = m_rowCount.fetch_add(rowCount) + rowCount;
        if (packet_rules::holdsTooManyValues(rowsSoFar, m_fields.size(),
                                             std::uint64_t(m_document.size())))
            return false;
        for (const pugi::xml_node& node : parsed.children())
            rows.push_back(xml_elements::readRow(node, m_fields, m_rowForm, rows.size() + 1));
        return true;
    }

    // pugixml parsed a copy of the range and the rows hold copies of their
    // texts: the pages wholly inside it are read no more.
    void letGoOfPagesWithin(ByteRange range) {
#ifdef MADV_DONTNEED
        if (m_ownBytes == nullptr)
            return;
        const auto pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        const auto start = reinterpret_cast<std::uintptr_t>(m_ownBytes + range.begin);
        const auto stop = reinterpret_cast<std::uintptr_t>(m_ownBytes + range.end);
        const std::uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
        const std::uintptr_t last = stop & ~(pageSize - 1);
        if (last > first &&
            ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0)
            m_letGoOfAny.store(true);
#else
        Q_UNUSED(range);
#endif
    }

    static std::optional<std::vector<Row>> joined(std::vector<RowsOfPiece>& rowsOfPieces) {
        std::size_t count = 0;
        for (const auto& rowsOfPiece : rowsOfPieces) {
            if (!rowsOfPiece)
                return std::nullopt;
            count += rowsOfPiece->size();
        }
        std::vector<Row> rows;
        rows.reserve(count);
        for (auto& rowsOfPiece : rowsOfPieces)
            std::move(rowsOfPiece->begin(), rowsOfPiece->end(), std::back_inserter(rows));
        return rows;
    }

    QByteArrayView m_document;
    const std::vector<FieldDefinition>& m_fields;
    xml_elements::RowForm m_rowForm;
    qsizetype m_chunkSize;
    std::atomic<bool> m_declined{false};
    // Of every piece, counted before they are read.
    mutable std::atomic<std::uint64_t> m_rowCount{0};
    char* m_ownBytes = nullptr;
    std::atomic<bool> m_letGoOfAny{false};
};

} // namespace

XmlPiecesSettings defaultXmlPiecesSettings() {
    const int cores = int(std::max(std::thread::hardware_concurrency(), 1U));
    return {std::min(cores, mostPieces), 8 * 1024 * 1024, 1024 * 1024};
}

namespace {

std::optional<Packet> readInPieces(QByteArrayView document, const XmlPiecesSettings& settings,
                                   char* ownBytes, bool& bytesLetGo) {
    if (settings.pieceCount < 2 || document.size() < settings.smallestRowsContent)
        return std::nullopt;
    const std::optional<RowsContent> content = xml_packet_bytes::findRowsContent(document);
    if (!content || content->size() < settings.smallestRowsContent ||
        document.size() - content->size() > largestOutline)
        return std::nullopt;
    // An error here only says that this document is not one to vouch for:
    // the whole reader reads it again and gives its own message.
    std::optional<Outline> outline;
    try {
        outline = readOutline(document, *content);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (!outline)
        return std::nullopt;
    RowPiecesReader reader(document, *outline, settings.chunkSize);
    reader.letGoOfParsedPages(ownBytes);
    std::optional<std::vector<Row>> rows;
    try {
        rows = reader.read(*content, settings.pieceCount);
    } catch (const Error&) {
        rows.reset();
    }
    if (!rows) {
        bytesLetGo = reader.letGoOfAny();
        return std::nullopt;
    }
    return Packet{std::move(outline->fields), std::move(*rows)};
}

} // namespace

std::optional<Packet> readXmlPacketInPieces(QByteArrayView document,
                                            const XmlPiecesSettings& settings) {
    bool bytesLetGo = false;
    return readInPieces(document, settings, nullptr, bytesLetGo);
}

std::optional<Packet> readXmlPacketInPiecesLettingGo(QByteArray& bytes,
                                                     const XmlPiecesSettings& settings,
                                                     bool& bytesLetGo) {
    bytesLetGo = false;
    char* const ownBytes = bytes.data(); // detached: these bytes are ours alone
    return readInPieces(QByteArrayView(bytes), settings, ownBytes, bytesLetGo);
}

} // namespace savrona
