#pragma once

#include <QByteArrayView>

#include <optional>

// What can be told about an XML data packet from its bytes alone, before and
// without parsing it: where the document starts, where the content of its
// <rows> element lies and where a <row> tag starts. Used to cut the rows into
// pieces that can be parsed one by one.
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

// The first "<row" followed by white space, "/" or ">" at or after from and
// before end; end when there is none.
qsizetype nextRowTagStart(QByteArrayView document, qsizetype from, qsizetype end);

// True when the bytes hold no NUL character, no "<!" (comment, CDATA,
// document type) and no "<?" (processing instruction): then pugixml parses
// them the same at the top of a fragment as inside an element.
bool holdsOnlyElementsAndText(QByteArrayView bytes);

} // namespace savrona::xml_packet_bytes
