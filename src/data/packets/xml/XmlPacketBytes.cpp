// Byte scans of an XML packet: skipping its start, finding <rows> and the <row> tags to
// cut at.
#include "data/packets/xml/XmlPacketBytes.h"

#include <cstring>

namespace savrona::xml_packet_bytes {

namespace {

constexpr QByteArrayView byteOrderMark = "\xEF\xBB\xBF";
constexpr QByteArrayView rowsStartTag = "<rows>";
constexpr QByteArrayView rowsEndTagOpening = "</rows";
constexpr QByteArrayView rowTagOpening = "<row";

bool isXmlWhiteSpace(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

bool endsTagName(char character) {
    return isXmlWhiteSpace(character) || character == '/' || character == '>';
}

} // namespace

qsizetype leadingSkipLength(QByteArrayView document) {
    qsizetype position = document.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    while (position < document.size() && isXmlWhiteSpace(document[position]))
        ++position;
    return position;
}

std::optional<RowsContent> findRowsContent(QByteArrayView document) {
    return findElementContent(document, rowsStartTag, rowsEndTagOpening);
}

std::optional<RowsContent> findElementContent(QByteArrayView document, QByteArrayView startTag,
                                              QByteArrayView endTagOpening) {
    const qsizetype start = document.indexOf(startTag);
    if (start < 0)
        return std::nullopt;
    const RowsContent content{start + startTag.size(), document.lastIndexOf(endTagOpening)};
    if (content.end < content.begin)
        return std::nullopt;
    return content;
}

qsizetype nextRowTagStart(QByteArrayView document, qsizetype from, qsizetype end) {
    return nextTagStart(document, rowTagOpening, from, end);
}

qsizetype nextTagStart(QByteArrayView document, QByteArrayView tagOpening, qsizetype from,
                       qsizetype end) {
    const QByteArrayView range = document.first(end);
    for (qsizetype position = range.indexOf(tagOpening, from); position >= 0;
         position = range.indexOf(tagOpening, position + 1)) {
        const qsizetype after = position + tagOpening.size();
        if (after < end && endsTagName(range[after]))
            return position;
    }
    return end;
}

bool parsesAsInsideAnElement(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return true;
    if (bytes.startsWith(byteOrderMark))
        return false;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    if (std::memchr(begin, '\0', std::size_t(bytes.size())) != nullptr)
        return false;
    for (const char* tag =
             static_cast<const char*>(std::memchr(begin, '<', std::size_t(bytes.size())));
         tag != nullptr;
         tag = static_cast<const char*>(std::memchr(tag + 1, '<', std::size_t(end - tag - 1)))) {
        if (tag + 1 < end && (tag[1] == '!' || tag[1] == '?'))
            return false;
    }
    return true;
}

} // namespace savrona::xml_packet_bytes
