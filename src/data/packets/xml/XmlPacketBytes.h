#pragma once

// What can be told about an XML data packet from its bytes alone, before and
// without parsing it: where the document starts, where the content of its
// <rows> element lies and where a <row> tag starts. Used to cut the rows into
// pieces that can be parsed one by one.

#include <QByteArrayView>

#include <optional>

namespace savrona::xml_packet_bytes {

// The length of a UTF-8 byte order mark and white space at the start.
qsizetype leadingSkipLength(QByteArrayView document);

// The content of <rows>: from just after the first "<rows>" to the last
// "</rows". Only a candidate: the parse of the document's outline confirms
// that these are the tags of the rows element.
struct RowsContent {
    qsizetype begin = 0;
    qsizetype end = 0;

    qsizetype size() const { return end - begin; }
    // Where the name "rows" of the start tag lies in the document.
    qsizetype startTagNameOffset() const { return begin - qsizetype(sizeof("rows>") - 1); }
};
std::optional<RowsContent> findRowsContent(QByteArrayView document);
// The same for any element: from just after the first startTag ("<ROWDATA>")
// to the last endTagOpening ("</ROWDATA").
std::optional<RowsContent> findElementContent(QByteArrayView document, QByteArrayView startTag,
                                              QByteArrayView endTagOpening);

// The first "<row" followed by white space, "/" or ">" at or after from and
// before end; end when there is none.
qsizetype nextRowTagStart(QByteArrayView document, qsizetype from, qsizetype end);
// The same for any tag: tagOpening is "<" and the tag's name ("<ROW").
qsizetype nextTagStart(QByteArrayView document, QByteArrayView tagOpening, qsizetype from,
                       qsizetype end);

// True when pugixml parses the bytes as a fragment exactly as it parses them
// inside an element: they hold no NUL character (the end of a document), no
// "<!" (comment, CDATA, document type) and no "<?" (processing instruction
// or declaration), and do not start with a byte order mark, which pugixml
// skips at the start of a buffer.
bool parsesAsInsideAnElement(QByteArrayView bytes);

} // namespace savrona::xml_packet_bytes
