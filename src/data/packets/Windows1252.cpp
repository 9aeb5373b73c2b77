// The Windows-1252 characters of bytes 80 to 9F and the conversions to and from UTF-8.
#include "data/packets/Windows1252.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace savrona {

namespace {

// The characters of bytes 80 to 9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> upperControlRange = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

constexpr unsigned char firstRemappedByte = 0x80;
constexpr unsigned char firstLatin1Byte = 0xA0;

void appendUtf8(QByteArray& out, char16_t character) {
    if (character < 0x80) {
        out.append(char(character));
    } else if (character < 0x800) {
        out.append(char(0xC0 | (character >> 6)));
        out.append(char(0x80 | (character & 0x3F)));
    } else {
        out.append(char(0xE0 | (character >> 12)));
        out.append(char(0x80 | ((character >> 6) & 0x3F)));
        out.append(char(0x80 | (character & 0x3F)));
    }
}

std::optional<char> encodeCharacter(char16_t character) {
    if (character < firstRemappedByte || (character >= firstLatin1Byte && character <= 0xFF))
        return char(character);
    const auto found = std::find(upperControlRange.begin(), upperControlRange.end(), character);
    if (found == upperControlRange.end())
        return std::nullopt;
    return char(firstRemappedByte + (found - upperControlRange.begin()));
}

} // namespace

QByteArray windows1252ToUtf8(QByteArrayView bytes) {
    const bool allAscii =
        std::all_of(bytes.begin(), bytes.end(), [](char byte) { return (byte & 0x80) == 0; });
    if (allAscii)
        return bytes.toByteArray();

    QByteArray utf8;
    utf8.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= firstRemappedByte && code < firstLatin1Byte)
            appendUtf8(utf8, upperControlRange[code - firstRemappedByte]);
        else
            appendUtf8(utf8, code);
    }
    return utf8;
}

std::optional<QByteArray> utf8ToWindows1252(QByteArrayView utf8) {
    if (!utf8.isValidUtf8())
        return std::nullopt;
    // Decoded keeping a leading U+FEFF, which then has no byte to go to.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(utf8);
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar character : text) {
        const std::optional<char> byte = encodeCharacter(character.unicode());
        if (!byte)
            return std::nullopt;
        bytes.append(*byte);
    }
    return bytes;
}

} // namespace savrona
