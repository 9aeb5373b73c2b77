// The encodings of the original engine's XML data packets: telling, converting for the
// parser, and writing texts back.
#include "data/packets/engine-xml/DataPacketXmlEncoding.h"

#include "data/Error.h"
#include "data/packets/PacketRules.h"
#include "data/packets/Windows1252.h"
#include "data/packets/xml/XmlBytes.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace savrona::data_packet_xml {

using namespace packet_rules;
using xml_bytes::byteOrderMark;
using xml_bytes::isWhiteSpace;

namespace {

constexpr QByteArrayView utf8Name = "UTF-8";
constexpr QByteArrayView windows1252Name = "windows-1252";
constexpr QByteArrayView latin1Name = "ISO-8859-1";

bool isNamed(QByteArrayView value, QByteArrayView name) {
    return value.compare(name, Qt::CaseInsensitive) == 0;
}

// The UTF-8 bytes of each code page byte from 80 to FF.
struct HighByteTable {
    std::array<std::array<char, 3>, 128> bytes{};
    std::array<std::uint8_t, 128> lengths{};
};

const HighByteTable& highByteTable() {
    static const HighByteTable table = [] {
        HighByteTable built;
        for (int index = 0; index < 128; ++index) {
            const char byte = char(0x80 + index);
            const QByteArray utf8 = windows1252ToUtf8(QByteArrayView(&byte, 1));
            std::memcpy(built.bytes[index].data(), utf8.constData(), std::size_t(utf8.size()));
            built.lengths[index] = std::uint8_t(utf8.size());
        }
        return built;
    }();
    return table;
}

// The code page byte of each character from U+0080 on that has one.
const QHash<char32_t, unsigned char>& codePageBytes() {
    static const QHash<char32_t, unsigned char> bytes = [] {
        QHash<char32_t, unsigned char> built;
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const char character = char(byte);
            const QString decoded = QString::fromUtf8(windows1252ToUtf8({&character, 1}));
            built.insert(decoded.at(0).unicode(), static_cast<unsigned char>(byte));
        }
        return built;
    }();
    return bytes;
}

// The bytes the code page leaves undefined: written as references, since a
// reader may refuse them.
bool isUndefinedInCodePage(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

std::optional<unsigned char> codePageByteFor(char32_t character, TargetEncoding encoding) {
    if (encoding == TargetEncoding::CodePage1252AsAscii)
        return std::nullopt;
    const auto found = codePageBytes().constFind(character);
    if (found == codePageBytes().cend() || isUndefinedInCodePage(*found))
        return std::nullopt;
    if (encoding == TargetEncoding::CodePage1252AsLatin1 && *found < 0xA0)
        return std::nullopt;
    return *found;
}

// The character at cursor of valid UTF-8, and its length.
char32_t decodeUtf8(const unsigned char* cursor, qsizetype& length) {
    const unsigned char lead = cursor[0];
    if (lead < 0xE0) {
        length = 2;
        return char32_t(lead & 0x1F) << 6 | (cursor[1] & 0x3F);
    }
    if (lead < 0xF0) {
        length = 3;
        return char32_t(lead & 0x0F) << 12 | char32_t(cursor[1] & 0x3F) << 6 | (cursor[2] & 0x3F);
    }
    length = 4;
    return char32_t(lead & 0x07) << 18 | char32_t(cursor[1] & 0x3F) << 12 |
           char32_t(cursor[2] & 0x3F) << 6 | (cursor[3] & 0x3F);
}

void appendReference(QByteArray& out, char32_t character) {
    out.append("&#");
    out.append(QByteArray::number(std::uint32_t(character)));
    out.append(';');
}

// Bytes copied as they are in every target encoding.
bool isPlainAscii(unsigned char byte) {
    return byte >= 0x20 && byte < 0x80 && byte != '&' && byte != '<' && byte != '"';
}

// The value of the pseudo-attribute name in the declaration's text.
std::optional<QByteArray> pseudoAttribute(QByteArrayView text, QByteArrayView name) {
    qsizetype position = 0;
    while (position < text.size()) {
        while (position < text.size() && isWhiteSpace(text[position]))
            ++position;
        const qsizetype nameStart = position;
        while (position < text.size() && text[position] != '=' && !isWhiteSpace(text[position]))
            ++position;
        const QByteArrayView attributeName = text.sliced(nameStart, position - nameStart);
        while (position < text.size() && isWhiteSpace(text[position]))
            ++position;
        if (position >= text.size() || text[position] != '=')
            return std::nullopt;
        ++position;
        while (position < text.size() && isWhiteSpace(text[position]))
            ++position;
        if (position >= text.size() || (text[position] != '"' && text[position] != '\''))
            return std::nullopt;
        const char quote = text[position++];
        const qsizetype valueEnd = text.indexOf(quote, position);
        if (valueEnd < 0)
            return std::nullopt;
        if (attributeName == name)
            return text.sliced(position, valueEnd - position).toByteArray();
        position = valueEnd + 1;
    }
    return std::nullopt;
}

// Eight bytes at a time: most of a document is ASCII.
constexpr std::uint64_t highBitsOfWord = 0x8080808080808080;

std::uint64_t wordAt(const unsigned char* cursor) {
    std::uint64_t word = 0;
    std::memcpy(&word, cursor, sizeof word);
    return word;
}

} // namespace

std::optional<QByteArray> declaredEncodingName(QByteArrayView document) {
    const QByteArrayView rest = document.sliced(xml_bytes::leadingSkipLength(document));
    if (!rest.startsWith("<?xml") || rest.size() < 6 || !isWhiteSpace(rest[5]))
        return std::nullopt;
    const qsizetype end = rest.indexOf("?>");
    if (end < 0)
        return std::nullopt;
    return pseudoAttribute(rest.sliced(5, end - 5), "encoding");
}

SourceEncoding sourceEncodingOf(QByteArrayView document) {
    const std::optional<QByteArray> name = declaredEncodingName(document);
    if (document.startsWith(byteOrderMark)) {
        if (name && !isNamed(*name, utf8Name))
            throwDamaged(QStringLiteral("it starts with a UTF-8 byte order mark but declares the "
                                        "encoding %1")
                             .arg(quotedBytes(*name)));
        return SourceEncoding::Utf8;
    }
    if (!name)
        return document.isValidUtf8() ? SourceEncoding::Utf8 : SourceEncoding::CodePage1252;
    if (isNamed(*name, utf8Name))
        return SourceEncoding::Utf8;
    if (isNamed(*name, windows1252Name) || isNamed(*name, latin1Name))
        return SourceEncoding::CodePage1252;
    throw Error(QStringLiteral("The data packet is in the encoding %1, which Savrona cannot "
                               "read; it reads UTF-8, windows-1252 and ISO-8859-1.")
                    .arg(quoted(QString::fromLatin1(name->left(40)))));
}

TargetEncoding targetEncodingOf(const XmlAttributes& declaration) {
    for (const XmlAttribute& attribute : declaration) {
        if (attribute.name != "encoding")
            continue;
        if (isNamed(attribute.value, utf8Name))
            return TargetEncoding::Utf8;
        if (isNamed(attribute.value, latin1Name))
            return TargetEncoding::CodePage1252AsLatin1;
    }
    return TargetEncoding::CodePage1252;
}

// Made for room first, at most three bytes for each byte beyond ASCII, then
// cut to what it took: one pass over the bytes besides counting them.
bool declaresEncoding(const XmlAttributes& declaration) {
    return std::any_of(declaration.begin(), declaration.end(),
                       [](const XmlAttribute& attribute) { return attribute.name == "encoding"; });
}

bool isAscii(QByteArrayView bytes) {
    const auto* cursor = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = cursor + bytes.size();
    std::uint64_t highBits = 0;
    for (; end - cursor >= 8; cursor += 8)
        highBits |= wordAt(cursor) & highBitsOfWord;
    for (; cursor != end; ++cursor)
        highBits |= *cursor & 0x80;
    return highBits == 0;
}

QByteArray codePage1252BytesOf(QByteArrayView utf8) {
    QByteArray bytes;
    bytes.reserve(utf8.size());
    const auto* cursor = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = cursor + utf8.size();
    while (cursor != end) {
        if (*cursor < 0x80) {
            bytes.append(char(*cursor++));
            continue;
        }
        qsizetype length = 0;
        const std::optional<unsigned char> byte =
            codePageByteFor(decodeUtf8(cursor, length), TargetEncoding::CodePage1252);
        bytes.append(byte ? char(*byte) : '?');
        cursor += length;
    }
    return bytes;
}

QByteArray codePage1252ToUtf8(QByteArrayView bytes) {
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = begin + bytes.size();
    qsizetype highBytes = 0;
    const auto* cursor = begin;
    for (; end - cursor >= 8; cursor += 8)
        highBytes += std::popcount(wordAt(cursor) & highBitsOfWord);
    for (; cursor != end; ++cursor)
        highBytes += *cursor >> 7;
    if (highBytes == 0)
        return bytes.toByteArray();

    const HighByteTable& table = highByteTable();
    QByteArray utf8(bytes.size() + 2 * highBytes, Qt::Uninitialized);
    char* out = utf8.data();
    cursor = begin;
    while (cursor != end) {
        if (end - cursor >= 8 && (wordAt(cursor) & highBitsOfWord) == 0) {
            std::memcpy(out, cursor, 8);
            out += 8;
            cursor += 8;
            continue;
        }
        if (*cursor < 0x80) {
            *out++ = char(*cursor++);
            continue;
        }
        const int index = *cursor++ - 0x80;
        std::memcpy(out, table.bytes[index].data(), 3);
        out += table.lengths[index];
    }
    utf8.truncate(out - utf8.constData());
    return utf8;
}

qsizetype codePage1252OffsetOf(QByteArrayView bytes, qsizetype utf8Offset) {
    qsizetype converted = 0;
    qsizetype offset = 0;
    for (; offset < bytes.size() && converted < utf8Offset; ++offset) {
        const auto byte = static_cast<unsigned char>(bytes[offset]);
        converted += byte < 0x80 ? 1 : highByteTable().lengths[byte - 0x80];
    }
    return offset;
}

CharacterReferences scanCharacterReferences(QByteArrayView document) {
    CharacterReferences references;
    const char* const end = document.data() + document.size();
    for (const char* cursor = document.data(); (cursor = static_cast<const char*>(std::memchr(
                                                    cursor, '&', std::size_t(end - cursor))));) {
        ++cursor;
        if (end - cursor < 3 || *cursor != '#')
            continue;
        ++cursor;
        const bool hexadecimal = *cursor == 'x';
        cursor += hexadecimal ? 1 : 0;
        std::uint32_t code = 0; // wraps as the parser's does
        const char* const digits = cursor;
        for (; cursor != end; ++cursor) {
            const char character = *cursor;
            if (character >= '0' && character <= '9')
                code = code * (hexadecimal ? 16 : 10) + std::uint32_t(character - '0');
            else if (hexadecimal && (character | 0x20) >= 'a' && (character | 0x20) <= 'f')
                code = code * 16 + std::uint32_t((character | 0x20) - 'a' + 10);
            else
                break;
        }
        if (cursor == digits || cursor == end || *cursor != ';')
            continue; // no reference: the parser keeps it as text
        references.holdNull = references.holdNull || code == 0;
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            references.allEncodable = false;
        if (code >= 0x80)
            references.allAscii = false;
    }
    return references;
}

namespace {

bool isXmlNameStart(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' ||
           byte == ':' || byte >= 0x80;
}

} // namespace

bool isXmlNameByte(unsigned char byte) {
    return isXmlNameStart(byte) || (byte >= '0' && byte <= '9') || byte == '-' || byte == '.';
}

bool isXmlName(QByteArrayView name) {
    return !name.isEmpty() && isXmlNameStart(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin() + 1, name.end(), [](char character) {
               return isXmlNameByte(static_cast<unsigned char>(character));
           });
}

std::optional<QByteArrayView> entityReferenceNameAt(QByteArrayView text, qsizetype ampersand) {
    const qsizetype begin = ampersand + 1;
    qsizetype end = begin;
    while (end < text.size() && isXmlNameByte(static_cast<unsigned char>(text[end])))
        ++end;
    const QByteArrayView name = text.sliced(begin, end - begin);
    if (end == text.size() || text[end] != ';' || !isXmlName(name))
        return std::nullopt;
    return name;
}

std::optional<QByteArray> encodedName(QByteArrayView utf8, TargetEncoding encoding) {
    if (encoding == TargetEncoding::Utf8)
        return utf8.toByteArray();
    if (encoding == TargetEncoding::CodePage1252AsAscii)
        encoding = TargetEncoding::CodePage1252;
    const auto* cursor = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = cursor + utf8.size();
    QByteArray name;
    while (cursor != end) {
        if (*cursor < 0x80) {
            name.append(char(*cursor++));
            continue;
        }
        qsizetype length = 0;
        const std::optional<unsigned char> byte =
            codePageByteFor(decodeUtf8(cursor, length), encoding);
        if (!byte)
            return std::nullopt;
        name.append(char(*byte));
        cursor += length;
    }
    return name;
}

bool appendAttributeValue(QByteArray& out, QByteArrayView utf8, TargetEncoding encoding,
                          const EntityNames& keptReferences) {
    if (utf8.contains('\0'))
        return false;
    const auto* begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* cursor = begin;
    const auto* end = cursor + utf8.size();
    // The name and ';' after a kept reference's '&' follow as the text they are.
    const auto startsKeptReference = [&](const unsigned char* ampersand) {
        if (keptReferences.isEmpty())
            return false;
        const std::optional<QByteArrayView> name = entityReferenceNameAt(utf8, ampersand - begin);
        return name && keptReferences.contains(name->toByteArray());
    };
    while (cursor != end) {
        const auto* run = cursor;
        while (cursor != end && isPlainAscii(*cursor))
            ++cursor;
        out.append(reinterpret_cast<const char*>(run), cursor - run);
        if (cursor == end)
            break;
        const unsigned char byte = *cursor;
        if (byte == '&') {
            out.append(startsKeptReference(cursor) ? "&" : "&amp;");
        } else if (byte == '<') {
            out.append("&lt;");
        } else if (byte == '"') {
            out.append("&quot;");
        } else if (byte < 0x80) {
            appendReference(out, byte); // a control character
        } else {
            qsizetype length = 0;
            const char32_t character = decodeUtf8(cursor, length);
            if (encoding == TargetEncoding::Utf8) {
                // U+FFFE and U+FFFF are no XML characters; everything else goes as it is.
                if (character == 0xFFFE || character == 0xFFFF)
                    appendReference(out, character);
                else
                    out.append(reinterpret_cast<const char*>(cursor), length);
            } else if (const auto codePageByte = codePageByteFor(character, encoding)) {
                out.append(char(*codePageByte));
            } else {
                appendReference(out, character);
            }
            cursor += length;
            continue;
        }
        ++cursor;
    }
    return true;
}

} // namespace savrona::data_packet_xml
