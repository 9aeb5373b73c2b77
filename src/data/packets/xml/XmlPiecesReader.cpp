// Reads the rows of a large XML packet of either layout on several threads, leaving the
// document to the whole reader whenever it cannot vouch for the same result.
#include "data/packets/xml/XmlPiecesReader.h"

#include "data/Error.h"
#include "data/packets/PacketRules.h"
#include "data/packets/xml/XmlBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

// Why the pieces give exactly the whole document's rows, or nothing:
//
// The document is cut into its outline (everything before and after the
// content of the element holding the rows, <rows> or <ROWDATA>) and that
// content, which is cut again at row tags ("<row", "<ROW"). The outline is
// parsed as a document, with the same options, and checked exactly as the
// whole reader checks it; the rows element it finds must be the one whose
// start tag was cut at. pugixml parses forwards without looking ahead, so
// the whole document parses as the outline does, with the content in
// between parsed in the context of the rows element.
//
// Each piece of the content is parsed as a fragment, which is the context of
// an element except for what may only stand at the top of a document: a
// document type or declaration, a NUL character, which ends a document, and
// a byte order mark at the very start, which pugixml skips. Pieces holding
// "<!", "<?" or NUL or starting with the mark are declined (checked in
// parsesAsInsideAnElement), and so is any piece that does not parse or holds
// anything but row elements at its top, which is what a cut inside a tag or
// element always gives. What is left parses the same as in the whole
// document, so the rows are the whole document's rows.
//
// Whatever is declined, and every error, is left to the whole reader, which
// gives the packet or the message with the whole document's row numbers and
// byte offsets: a row's number here is its piece's own. So the bytes are
// never changed: pieces are parsed from pugixml's own copy of a megabyte at
// a time, which keeps the memory used below that of parsing the whole
// document in place; a larger copy stays with the reading thread's arena
// once freed, and adds to the peak. Rows beyond the values a packet may
// hold are declined before they are made, so that the whole reader refuses
// them with its message.

namespace savrona {

namespace {

// A packet's outline is its field definitions, some hundred bytes; a larger
// one is not worth a copy.
constexpr qsizetype largestOutline = 1024 * 1024;
constexpr int mostPieces = 4;

struct ByteRange {
    qsizetype begin = 0;
    qsizetype end = 0;

    qsizetype size() const { return end - begin; }
};

// The outline parsed and read into the layout; false when the rows element
// is not the one cut at, or the outline is not one to vouch for.
bool readOutline(QByteArrayView document, ByteRange content, XmlRowsLayout& layout) {
    const XmlRowsMarkup& markup = layout.markup();
    const qsizetype skipped = xml_bytes::leadingSkipLength(document);
    const qsizetype rowsStartTag = content.begin - markup.rowsStartTag.size();
    if (rowsStartTag < skipped)
        return false;
    QByteArray outline = document.sliced(skipped, content.begin - skipped).toByteArray();
    outline += document.sliced(content.end);
    if (!layout.suitsParse(outline))
        return false;
    pugi::xml_document parsed;
    if (!parsed.load_buffer_inplace(outline.data(), std::size_t(outline.size()),
                                    markup.parseOptions, pugi::encoding_utf8))
        return false;
    const pugi::xml_node rowsElement = layout.readOutline(parsed);
    // Parsed in place, the element's name points into the outline, just
    // after the '<' of its start tag.
    return rowsElement.name() == outline.constData() + (rowsStartTag + 1 - skipped);
}

// Reads the content of the rows element in pieces, one thread a piece, the
// calling thread taking the first.
class RowPiecesReader {
public:
    RowPiecesReader(QByteArrayView document, XmlRowsLayout& layout, qsizetype chunkSize)
        : m_document(document), m_layout(layout),
          m_rowName(layout.markup().rowTagOpening.sliced(1)),
          m_chunkSize(std::max<qsizetype>(chunkSize, 1)) {}

    // Gives each page of the document back to the system once it is parsed;
    // the document must be the caller's own bytes, given up for good.
    void letGoOfParsedPages(char* ownBytes) { m_ownBytes = ownBytes; }
    bool letGoOfAny() const { return m_letGoOfAny.load(); }

    bool read(ByteRange content, int pieceCount) {
        const std::vector<ByteRange> pieces = piecesOf(content, pieceCount);
        m_layout.startPieces(pieces.size());
        std::vector<std::future<bool>> otherPieces;
        for (std::size_t index = 1; index < pieces.size(); ++index)
            otherPieces.push_back(startPiece(index, pieces[index]));
        bool read = readPiece(0, pieces.front());
        for (auto& piece : otherPieces)
            read = piece.get() && read;
        return read;
    }

private:
    // On a thread of its own, or, when the system gives no thread, on the
    // calling thread after the first piece.
    std::future<bool> startPiece(std::size_t index, ByteRange piece) {
        try {
            return std::async(std::launch::async, &RowPiecesReader::readPiece, this, index, piece);
        } catch (const std::system_error&) {
            return std::async(std::launch::deferred, &RowPiecesReader::readPiece, this, index,
                              piece);
        }
    }

    // Cut near equal byte offsets, each at the start of a row tag.
    std::vector<ByteRange> piecesOf(ByteRange content, int pieceCount) const {
        std::vector<ByteRange> pieces;
        qsizetype begin = content.begin;
        for (int index = 1; index < pieceCount; ++index) {
            const qsizetype end =
                nextRowTagStart(content.begin + content.size() * index / pieceCount, content.end);
            pieces.push_back({begin, end});
            begin = end;
        }
        pieces.push_back({begin, content.end});
        return pieces;
    }

    qsizetype nextRowTagStart(qsizetype from, qsizetype end) const {
        return xml_bytes::nextTagStart(m_document, m_layout.markup().rowTagOpening, from, end);
    }

    bool readPiece(std::size_t index, ByteRange piece) {
        pugi::xml_document parsed;
        for (qsizetype begin = piece.begin; begin < piece.end;) {
            if (m_declined.load(std::memory_order_relaxed))
                return false;
            const qsizetype end =
                nextRowTagStart(std::min(begin + m_chunkSize, piece.end), piece.end);
            if (!readRowsOfChunk(index, m_document.sliced(begin, end - begin), parsed)) {
                m_declined.store(true, std::memory_order_relaxed);
                return false;
            }
            letGoOfPagesWithin({begin, end});
            begin = end;
        }
        return true;
    }

    // False when the chunk is not plain row elements, or holds a row that
    // the whole reader refuses.
    bool readRowsOfChunk(std::size_t piece, QByteArrayView chunk, pugi::xml_document& parsed) {
        if (!xml_bytes::parsesAsInsideAnElement(chunk) || !m_layout.suitsParse(chunk))
            return false;
        if (!parsed.load_buffer(chunk.data(), std::size_t(chunk.size()),
                                m_layout.markup().parseOptions | pugi::parse_fragment,
                                pugi::encoding_utf8))
            return false;
        std::uint64_t rowCount = 0;
        for (const pugi::xml_node& node : parsed.children()) {
            if (!xml_bytes::isElementNamed(node, m_rowName))
                return false;
            ++rowCount;
        }
        if (tooManyRowsWith(rowCount))
            return false;
        try {
            for (const pugi::xml_node& node : parsed.children())
                m_layout.readRow(piece, node);
        } catch (const Error&) {
            return false;
        }
        return true;
    }

    // The rows of every piece, counted before they are read: more than the
    // document's size allows, and the whole reader refuses them.
    bool tooManyRowsWith(std::uint64_t rowCount) {
        const std::uint64_t rowsSoFar = m_rowCount.fetch_add(rowCount) + rowCount;
        return packet_rules::holdsTooManyValues(rowsSoFar, m_layout.fieldCount(),
                                                std::uint64_t(m_document.size()));
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

    QByteArrayView m_document;
    XmlRowsLayout& m_layout;
    QByteArrayView m_rowName;
    qsizetype m_chunkSize;
    std::atomic<bool> m_declined{false};
    std::atomic<std::uint64_t> m_rowCount{0};
    char* m_ownBytes = nullptr;
    std::atomic<bool> m_letGoOfAny{false};
};

bool readInPieces(QByteArrayView document, XmlRowsLayout& layout, const XmlPiecesSettings& settings,
                  char* ownBytes, bool& bytesLetGo) {
    if (settings.pieceCount < 2 || document.size() < settings.smallestRowsContent)
        return false;
    const XmlRowsMarkup& markup = layout.markup();
    const std::optional<xml_bytes::ElementContent> found =
        xml_bytes::findElementContent(document, markup.rowsStartTag, markup.rowsEndTagOpening);
    if (!found || found->size() < settings.smallestRowsContent ||
        document.size() - found->size() > largestOutline)
        return false;
    const ByteRange content{found->begin, found->end};
    // An error here only says that this document is not one to vouch for:
    // the whole reader reads it again and gives its own message.
    try {
        if (!readOutline(document, content, layout))
            return false;
    } catch (const Error&) {
        return false;
    }
    RowPiecesReader reader(document, layout, settings.chunkSize);
    reader.letGoOfParsedPages(ownBytes);
    if (reader.read(content, settings.pieceCount))
        return true;
    bytesLetGo = reader.letGoOfAny();
    return false;
}

} // namespace

XmlPiecesSettings defaultXmlPiecesSettings() {
    const int cores = int(std::max(std::thread::hardware_concurrency(), 1U));
    return {std::min(cores, mostPieces), 8 * 1024 * 1024, 1024 * 1024};
}

bool readXmlRowsInPieces(QByteArrayView document, XmlRowsLayout& layout,
                         const XmlPiecesSettings& settings) {
    bool bytesLetGo = false;
    return readInPieces(document, layout, settings, nullptr, bytesLetGo);
}

bool readXmlRowsInPiecesLettingGo(QByteArray& bytes, XmlRowsLayout& layout,
                                  const XmlPiecesSettings& settings, bool& bytesLetGo) {
    bytesLetGo = false;
    char* const ownBytes = bytes.data(); // detached: these bytes are ours alone
    return readInPieces(QByteArrayView(bytes), layout, settings, ownBytes, bytesLetGo);
}

} // namespace savrona
