#pragma once

// The byte helpers of both XML layouts: what can be told about an XML data
// packet from its bytes alone, before and without parsing it (where the
// document starts, where an element's content lies, where a tag starts, what
// a fragment parses as), and the small readings of parsed names and values
// that both layouts make (a name's bytes, a decimal number, an excerpt for a
// message, an element's name).

#include <QByteArrayView>

#include <pugixml.hpp>

#include <charconv>
#include <optional>

namespace savrona::xml_bytes {

constexpr QByteArrayView byteOrderMark = "\xEF\xBB\xBF";

constexpr bool isWhiteSpace(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

// The length of a UTF-8 byte order mark and white space at the start.
qsizetype leadingSkipLength(QByteArrayView document);

// The content of an element: from just after the first startTag ("<rows>")
// to the last endTagOpening ("</rows"). Only a candidate: the parse of the
// document's outline confirms that these are the tags of that element.
struct ElementContent {
    qsizetype begin = 0;
    qsizetype end = 0;

    qsizetype size() const { return end - begin; }
};
std::optional<ElementContent> findElementContent(QByteArrayView document, QByteArrayView startTag,
                                                 QByteArrayView endTagOpening);

// The first tagOpening ("<row": "<" and the tag's name) followed by white
// space, "/" or ">" at or after from and before end; end when there is none.
qsizetype nextTagStart(QByteArrayView document, QByteArrayView tagOpening, qsizetype from,
                       qsizetype end);

// True when pugixml parses the bytes as a fragment exactly as it parses them
// inside an element: they hold no NUL character (the end of a document), no
// "<!" (comment, CDATA, document type) and no "<?" (processing instruction
// or declaration), and do not start with a byte order mark, which pugixml
// skips at the start of a buffer.
bool parsesAsInsideAnElement(QByteArrayView bytes);

// A name or value of a parsed document.
QByteArrayView viewOf(const char* text);

// True for an element of that name.
bool isElementNamed(const pugi::xml_node& node, QByteArrayView name);

// The start of a text from a document, for a message: its first 40 bytes.
QByteArrayView excerptOf(QByteArrayView text);

// A whole decimal number, an optional minus sign and digits only, that fits
// Number; nothing for anything else.
template <typename Number> std::optional<Number> parseDecimal(QByteArrayView text) {
    Number number = 0;
    const std::from_chars_result result = std::from_chars(text.begin(), text.end(), number);
    if (text.isEmpty() || result.ec != std::errc() || result.ptr != text.end())
        return std::nullopt;
    return number;
}

} // namespace savrona::xml_bytes
