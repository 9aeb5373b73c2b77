#pragma once

// Reads the rows of a large XML data packet, of either layout, cut into
// pieces, one thread a piece, for a faster start on a large cookbook. It
// reads exactly the rows that the layout's reader of the whole document
// reads, or declines when it cannot vouch for that (a malformed or unusual
// document, or more values than the packet may hold); the caller then reads
// the whole document, which gives the packet or the exact message. The bytes
// are never changed, so that they are still there for that.
//
// What differs between the layouts is told by an XmlRowsLayout: the tags of
// the rows, how the outline (everything but the rows) is read, and how a row
// is read.

#include <QByteArray>
#include <QByteArrayView>

#include <pugixml.hpp>

#include <cstddef>

namespace savrona {

struct XmlPiecesSettings {
    int pieceCount = 1;                // threads, the calling one included
    qsizetype smallestRowsContent = 0; // bytes of rows content worth cutting
    qsizetype chunkSize = 1024 * 1024; // bytes a thread parses at a time
};

// A piece a core, up to four, for rows of 8 MiB or more.
XmlPiecesSettings defaultXmlPiecesSettings();

// Where a layout's rows lie and how the document is parsed.
struct XmlRowsMarkup {
    QByteArrayView rowsStartTag;      // "<rows>": the element holding the rows
    QByteArrayView rowsEndTagOpening; // "</rows"
    QByteArrayView rowTagOpening;     // "<row": "<" and the name of each row element
    unsigned int parseOptions = 0;    // pugixml's, as the whole reader parses
};

// One layout's part of the reading: its outline, and its rows kept piece by
// piece. The pieces are joined by the layout once all are read.
class XmlRowsLayout {
public:
    explicit XmlRowsLayout(XmlRowsMarkup markup) : m_markup(markup) {}
    virtual ~XmlRowsLayout() = default;

    const XmlRowsMarkup& markup() const { return m_markup; }

    // False when the bytes (the outline, or a chunk of rows) would not parse
    // as the whole reader takes the document: the document is declined.
    virtual bool suitsParse(QByteArrayView bytes) const = 0;
    // Reads and checks the parsed outline as the whole reader does (throws
    // Error), and gives its element holding the rows.
    virtual pugi::xml_node readOutline(const pugi::xml_document& outline) = 0;
    // The fields the outline defines, for the cap on a packet's values.
    virtual std::size_t fieldCount() const = 0;
    // Before any row: room for the rows of so many pieces.
    virtual void startPieces(std::size_t pieceCount) = 0;
    // Reads a row element into the rows of that piece, after those read
    // before; called on that piece's thread alone. Throws Error.
    virtual void readRow(std::size_t piece, const pugi::xml_node& element) = 0;

private:
    XmlRowsMarkup m_markup;
};

// Reads the document's outline and rows into the layout; false when it
// declines the document.
bool readXmlRowsInPieces(QByteArrayView document, XmlRowsLayout& layout,
                         const XmlPiecesSettings& settings);

// The same on bytes the caller hands over for good: each page of them is
// given back to the system as soon as it is parsed, so that the whole file
// and all its rows are never held at once. When the reader declines after
// that, bytesLetGo is set and the bytes are no longer the document: the
// caller must read it again to give it to the whole reader.
bool readXmlRowsInPiecesLettingGo(QByteArray& bytes, XmlRowsLayout& layout,
                                  const XmlPiecesSettings& settings, bool& bytesLetGo);

} // namespace savrona
