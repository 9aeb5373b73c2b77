// Byte scans of an XML packet of either layout: skipping its start, finding an element's
// content and the tags to cut at; and the small readings of parsed names and values.
#include "data/packets/xml/XmlBytes.h"

#include <algorithm>
#include <cstring>

namespace savrona::xml_bytes {

namespace {

constexpr qsizetype excerptLength = 40;

bool endsTagName(char character) {
    return isWhiteSpace(character) || character == '/' || character == '>';
}

} // namespace

qsizetype leadingSkipLength(QByteArrayView document) {
    qsizetype position = document.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    while (position < document.size() && isWhiteSpace(document[position]))
        ++position;
    return position;
}

std::optional<ElementContent> findElementContent(QByteArrayView document, QByteArrayView startTag,
                                                 QByteArrayView endTagOpening) {
    const qsizetype start = document.indexOf(startTag);
    if (start < 0)
        return std::nullopt;
    const ElementContent content{start + startTag.size(), document.lastIndexOf(endTagOpening)};
    if (content.end < content.begin)
        return std::nullopt;
    return content;
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

QByteArrayView viewOf(const char* text) {
    return {text, qsizetype(std::strlen(text))};
}

bool isElementNamed(const pugi::xml_node& node, QByteArrayView name) {
    return node.type() == pugi::node_element && name == viewOf(node.name());
}

QByteArrayView excerptOf(QByteArrayView text) {
    return text.first(std::min(text.size(), excerptLength));
}

} // namespace savrona::xml_bytes
