// The XML writer finds the bytes that need references a block at a time and
// writes a line break pair at once: over many texts of every length, mixing
// plain text, references and line breaks at every position, it must write
// what escaping byte by byte writes.
#include "data/TableTestSupport.h"
#include "data/packets/PacketFormats.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace savrona;
using namespace savrona::testing;

namespace {

QByteArray escapedByteByByte(const QByteArray& text) {
    QByteArray escaped;
    for (const char byte : text) {
        switch (byte) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\t':
            escaped += "&#9;";
            break;
        case '\n':
            escaped += "&#10;";
            break;
        case '\r':
            escaped += "&#13;";
            break;
        default:
            escaped += byte;
        }
    }
    return escaped;
}

// The content of an <lN> element, when the text is written as one: it has
// CR LF and no other CR or LF, and is not all white space.
std::optional<QByteArray> linesByteByByte(const QByteArray& text) {
    QByteArray withoutLineBreaks = text;
    withoutLineBreaks.replace("\r\n", "");
    if (!text.contains("\r\n") || withoutLineBreaks.contains('\r') ||
        withoutLineBreaks.contains('\n') || text.trimmed().isEmpty())
        return std::nullopt;
    QByteArray content = text;
    return content.replace("&", "&amp;")
        .replace("<", "&lt;")
        .replace(">", "&gt;")
        .replace("\r\n", "\n");
}

// Pieces that fall at any offset of a block: plain bytes, bytes with
// references, a line break pair, lone halves of one, and UTF-8 that starts
// like a noncharacter but is none.
const QByteArray pieces[] = {"a",  "z",  ">",    "'",  "\xC2\xBD", "&",           "<",
                             "\"", "\t", "\r\n", "\r", "\n",       "\xEF\xBD\x81"};

QByteArray randomText(std::mt19937& random, int pieceCount) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    QByteArray text;
    for (int piece = 0; piece < pieceCount; ++piece)
        text += pieces[pick(random)];
    return text;
}

TEST(XmlEscapingOfRandomTexts, MatchesEscapingByteByByte) {
    std::mt19937 random(20240613);
    for (int round = 0; round < 3000; ++round) {
        const QByteArray text = randomText(random, round % 80);
        Row row = recipeRow(1, 1, QStringLiteral("Title"));
        row[3] = Value::text(text);
        const Packet packet{recipeFields(), {row}};
        const QByteArray xml = writeXmlPacket(packet);
        const std::optional<QByteArray> lines = linesByteByByte(text);
        ASSERT_TRUE(lines ? xml.contains("><l4>" + *lines + "</l4>")
                          : xml.contains(" f4=\"" + escapedByteByByte(text) + "\""))
            << "round " << round << ": " << text.toStdString();
        ASSERT_EQ(readPacket(xml), packet) << "round " << round;
    }
}

// Texts of lines only: the content written block by block is what the
// byte-by-byte rule gives, for every length and offset.
TEST(XmlEscapingOfRandomTexts, LinesMatchTheirContentByteByByte) {
    const QByteArray linePieces[] = {"a",  ">",  "'",    "\xC2\xBD",     "&",   "<",
                                     "\"", "\t", "\r\n", "\xEF\xBD\x81", "]]>", "\xF0\x9F\x8D\xA3"};
    std::mt19937 random(31);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(linePieces) - 1);
    for (int round = 0; round < 2000; ++round) {
        // One letter and line break somewhere, so that the text is lines.
        const int pieceCount = round % 90;
        const int lineBreakAt = round % (pieceCount + 1);
        QByteArray text;
        for (int piece = 0; piece <= pieceCount; ++piece)
            text += piece == lineBreakAt ? QByteArray("x\r\n") : linePieces[pick(random)];
        Row row = recipeRow(1, 1, QStringLiteral("Title"));
        row[3] = Value::text(text);
        const Packet packet{recipeFields(), {row}};
        const QByteArray xml = writeXmlPacket(packet);
        ASSERT_TRUE(xml.contains("><l4>" + *linesByteByByte(text) + "</l4>"))
            << "round " << round << ": " << text.toStdString();
        ASSERT_EQ(readPacket(xml), packet) << "round " << round;
    }
}

// A byte XML cannot hold anywhere in a long text turns the whole text to the
// escaped form, which reads back as it was.
TEST(XmlEscapingOfRandomTexts, ForbiddenByteAnywhereGivesTheEscapedForm) {
    std::mt19937 random(7);
    for (int position = 0; position < 40; ++position) {
        const QByteArray text =
            randomText(random, position) + '\x01' + randomText(random, 40 - position);
        Row row = recipeRow(1, 1, QStringLiteral("Title"));
        row[3] = Value::text(text);
        const Packet packet{recipeFields(), {row}};
        const QByteArray xml = writeXmlPacket(packet);
        EXPECT_TRUE(xml.contains(" e4=\"")) << position;
        EXPECT_EQ(readPacket(xml), packet) << position;
    }
}

} // namespace
