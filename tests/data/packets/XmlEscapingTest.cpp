// The XML writer skips plain text a word at a time: every byte that needs a
// reference, or makes the text take the escaped form, must still be seen
// wherever it falls within a word. Reading a buffer in place must read what
// reading a view of it reads.
#include "data/TableTestSupport.h"
#include "data/packets/PacketFormats.h"

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct SpecialByte {
    const char* name;
    QByteArray bytes;
    const char* written; // what the writer puts in the file for them
};

class XmlEscapingAtEveryOffset : public ::testing::TestWithParam<SpecialByte> {};

TEST_P(XmlEscapingAtEveryOffset, IsWrittenAndReadBackWherever) {
    for (int offset = 0; offset < 20; ++offset) {
        QByteArray text = QByteArray(offset, 'a') + GetParam().bytes + QByteArray(19 - offset, 'z');
        Row row = recipeRow(1, 1, QStringLiteral("Title"));
        row[3] = Value::text(text);
        const Packet packet{recipeFields(), {row}};
        const QByteArray xml = writeXmlPacket(packet);
        EXPECT_TRUE(xml.contains(QByteArray(offset, 'a') + GetParam().written)) << offset;
        EXPECT_EQ(readPacket(xml), packet) << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, XmlEscapingAtEveryOffset,
    ::testing::Values(SpecialByte{"Ampersand", "&", "&amp;"}, SpecialByte{"Less", "<", "&lt;"},
                      SpecialByte{"Quote", "\"", "&quot;"}, SpecialByte{"Tab", "\t", "&#9;"},
                      SpecialByte{"LineFeed", "\n", "&#10;"},
                      SpecialByte{"CarriageReturn", "\r", "&#13;"},
                      SpecialByte{"Bell", "\x07", "\\u0007"},
                      SpecialByte{"Noncharacter", "\xEF\xBF\xBF", "\\uFFFF"},
                      SpecialByte{"Hangul", "\xEF\xBD\x81", "\xEF\xBD\x81"},
                      SpecialByte{"Greater", ">", ">"}, SpecialByte{"Apostrophe", "'", "'"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Reading a buffer in place gives what reading a view of it gives, messages included.
class InPlaceReading : public ::testing::TestWithParam<QByteArray> {};

TEST_P(InPlaceReading, MatchesReadingAView) {
    const QByteArray bytes = GetParam();
    Packet fromView;
    const QString viewMessage = messageOf([&] { fromView = readPacket(bytes); });
    QByteArray copy = bytes;
    Packet inPlace;
    const QString inPlaceMessage = messageOf([&] { inPlace = readPacketInPlace(std::move(copy)); });
    EXPECT_EQ(inPlaceMessage, viewMessage);
    EXPECT_EQ(inPlace, fromView);
    EXPECT_EQ(bytes, GetParam()) << "a shared buffer is never changed";
}

const Packet smallPacket{recipeFields(), {recipeRow(1, 1, QStringLiteral("Tea & <Toast>"))}};

INSTANTIATE_TEST_SUITE_P(Buffers, InPlaceReading,
                         ::testing::Values(writeXmlPacket(smallPacket),
                                           "\xEF\xBB\xBF \n" + writeXmlPacket(smallPacket),
                                           writeBinaryPacket(smallPacket),
                                           QByteArray("<savrona-data version=\"1\">"),
                                           QByteArray("  <not-ours/>"), QByteArray("neither")));

} // namespace
