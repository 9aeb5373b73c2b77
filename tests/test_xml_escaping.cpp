// The XML writer skips plain text a word at a time: every byte that needs a
// reference, or makes the text take the escaped form, must still be seen
// wherever it falls within a word.
#include "PacketFormats.h"
#include "TableTestSupport.h"

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
