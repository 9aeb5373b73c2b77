// Texts with CR LF line breaks are written as <lN> elements whose line feeds
// stand for CR LF: every text must read back exactly, in whichever form it is
// written, by the whole reader and by the reader in pieces; files of version
// 1 must read as they always did.
#include "data/Error.h"
#include "data/ErrorMessage.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/PacketSamples.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace savrona {
namespace {

using test_support::text;

using test_support::messageOf;

// ID, Name (text) and Notes (memo).
Packet packetWithText(const QByteArray& notes) {
    return {{{"ID", FieldType::Integer, 0},
             {"Name", FieldType::Text, 255},
             {"Notes", FieldType::Memo, 0}},
            {{Value::integer(1), text("title"), Value::text(notes)}}};
}

// The row of a written packet with one row, without its indentation.
QByteArray writtenRow(const Packet& packet) {
    const QByteArray xml = writeXmlPacket(packet);
    const qsizetype begin = xml.indexOf("<row ");
    return xml.mid(begin, xml.indexOf("\n  </rows>", begin) - begin);
}

// ---- Round trips of texts at the edges -----------------------------------

enum class Form { Attribute, Escaped, Lines };

struct EdgeText {
    std::string name;
    QByteArray text;
    Form form;
};

void PrintTo(const EdgeText& edge, std::ostream* out) {
    *out << edge.name;
}

class LineElementRoundTrip : public ::testing::TestWithParam<EdgeText> {};

TEST_P(LineElementRoundTrip, ReadsBackTheSameTextInTheExpectedForm) {
    const Packet packet = packetWithText(GetParam().text);
    const QByteArray xml = writeXmlPacket(packet);
    const char* marker = GetParam().form == Form::Lines     ? "><l3>"
                         : GetParam().form == Form::Escaped ? " e3=\""
                                                            : " f3=\"";
    EXPECT_TRUE(xml.contains(marker)) << xml.toStdString();
    EXPECT_EQ(readXmlPacketOnOneThread(xml), packet);
    EXPECT_EQ(readPacketInPlace(QByteArray(xml)), packet);
}

QByteArray longLines() {
    QByteArray text;
    for (int line = 0; line < 5000; ++line)
        text += "line " + QByteArray::number(line) + " & <b> \xE2\x82\xAC\r\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineElementRoundTrip,
    ::testing::Values(
        EdgeText{"SingleLineBreak", "\r\n", Form::Attribute},
        EdgeText{"TwoLineBreaks", "\r\n\r\n", Form::Attribute},
        EdgeText{"WhiteSpaceAndLineBreaks", " \t\r\n  \r\n\t", Form::Attribute},
        EdgeText{"OneBreakBetweenWords", "a\r\nb", Form::Lines},
        EdgeText{"LeadingLineBreak", "\r\nfirst", Form::Lines},
        EdgeText{"TrailingLineBreak", "last\r\n", Form::Lines},
        EdgeText{"OnlyLineBreaksAroundOneCharacter", "\r\n\r\nx\r\n\r\n", Form::Lines},
        EdgeText{"LeadingAndTrailingSpaces", "  a  \r\n  b  ", Form::Lines},
        EdgeText{"LoneCarriageReturn", "a\rb", Form::Attribute},
        EdgeText{"LoneLineFeed", "a\nb", Form::Attribute},
        EdgeText{"LineBreakAndLoneCarriageReturn", "a\r\nb\rc", Form::Attribute},
        EdgeText{"LineBreakAndLoneLineFeed", "a\r\nb\nc", Form::Attribute},
        EdgeText{"CarriageReturnBeforeLineBreak", "a\r\r\nb", Form::Attribute},
        EdgeText{"LineFeedAfterLineBreak", "a\r\n\nb", Form::Attribute},
        EdgeText{"LineBreakAndControlCharacter", "a\r\nb\x01", Form::Escaped},
        EdgeText{"LineBreakAndNoncharacter", "a\r\n\xEF\xBF\xBE", Form::Escaped},
        EdgeText{"Tabs", "\ta\t\r\n\tb\t", Form::Lines},
        EdgeText{"CdataEnd", "]]>\r\n]]>", Form::Lines},
        EdgeText{"Markup", "<row f1=\"2\"/> &amp; </l3>\r\n<l3>' \"", Form::Lines},
        EdgeText{"BackslashesStayPlain", "a\\u0041\\\\\r\nb\\", Form::Lines},
        EdgeText{"NonAscii", "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65\r\n\xE5\xAF\xBF\xE5\x8F\xB8",
                 Form::Lines},
        EdgeText{"FourByteCharacters", "\xF0\x9F\x8D\xA3\r\n\xF0\x9F\x8D\xB0", Form::Lines},
        EdgeText{"ByteOrderMarkCharacter", "\xEF\xBB\xBF\r\nx", Form::Lines},
        EdgeText{"VeryLong", longLines(), Form::Lines},
        EdgeText{"VeryLongWithOneLoneLineFeedAtTheEnd", longLines() + "\n", Form::Attribute}),
    [](const auto& info) { return info.param.name; });

// ---- The bytes written ---------------------------------------------------

TEST(LineElementWriting, WritesLineFeedsAndReferencesInTheContent) {
    EXPECT_EQ(writtenRow(packetWithText("a\r\nb")).toStdString(),
              "<row f1=\"1\" f2=\"title\"><l3>a\nb</l3></row>");
    EXPECT_EQ(writtenRow(packetWithText("\r\n\t<&>\"'\r\n")).toStdString(),
              "<row f1=\"1\" f2=\"title\"><l3>\n\t&lt;&amp;&gt;\"'\n</l3></row>");
    EXPECT_EQ(writtenRow(packetWithText("\r\n")).toStdString(),
              "<row f1=\"1\" f2=\"title\" f3=\"&#13;&#10;\"/>");
}

TEST(LineElementWriting, PutsAttributesFirstAndLinesInFieldOrder) {
    const Packet packet{{{"A", FieldType::Memo, 0},
                         {"B", FieldType::Text, 9},
                         {"C", FieldType::Memo, 0},
                         {"D", FieldType::Integer, 0}},
                        {{text("1\r\n2"), text("x"), text("3\r\n4"), Value::integer(7)}}};
    EXPECT_EQ(writtenRow(packet).toStdString(),
              "<row f2=\"x\" f4=\"7\"><l1>1\n2</l1><l3>3\n4</l3></row>");
    EXPECT_EQ(readPacket(writeXmlPacket(packet)), packet);
}

TEST(LineElementWriting, WritesVersionTwo) {
    EXPECT_TRUE(writeXmlPacket(packetWithText("x")).contains("<savrona-data version=\"2\">\n"));
}

// Texts written through the chunked writer are the same bytes.
TEST(LineElementWriting, ChunkedWritingGivesTheSameBytes) {
    Packet packet = packetWithText(longLines());
    for (int row = 2; row < 400; ++row)
        packet.rows.push_back(
            {Value::integer(row), text("a\r\nb"), Value::text(QByteArray(row, 'x') + "\r\n")});
    QByteArray chunked;
    writeXmlPacket(packet, [&](QByteArrayView chunk) { chunked += chunk; });
    EXPECT_EQ(chunked, writeXmlPacket(packet));
}

// ---- Files of version 1 --------------------------------------------------

// As Savrona wrote them before texts had lines: every line break a pair of
// references, also when a text was only white space.
constexpr const char* versionOneFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<savrona-data version=\"1\">\n"
    "  <fields>\n"
    "    <field name=\"ID\" type=\"integer\"/>\n"
    "    <field name=\"Title\" type=\"text\" width=\"255\"/>\n"
    "    <field name=\"Ingredients\" type=\"memo\"/>\n"
    "  </fields>\n"
    "  <rows>\n"
    "    <row f1=\"4\" f2=\"Baked Brie\" f3=\"1 wheel of brie&#13;&#10;2 apples&#13;&#10;\"/>\n"
    "    <row f1=\"5\" f2=\"&#13;&#10;\" f3=\"a&#13;b&#10;c&#9;&amp;\"/>\n"
    "    <row f1=\"6\" e3=\"bell\\u0007&#13;&#10;\"/>\n"
    "  </rows>\n"
    "</savrona-data>\n";

TEST(VersionOneFile, ReadsAsItAlwaysDid) {
    const Packet expected{
        {{"ID", FieldType::Integer, 0},
         {"Title", FieldType::Text, 255},
         {"Ingredients", FieldType::Memo, 0}},
        {{Value::integer(4), text("Baked Brie"), text("1 wheel of brie\r\n2 apples\r\n")},
         {Value::integer(5), text("\r\n"), text("a\rb\nc\t&")},
         {Value::integer(6), {}, text("bell\x07\r\n")}}};
    EXPECT_EQ(readPacket(versionOneFile), expected);
    const QByteArray rewritten = writeXmlPacket(expected);
    EXPECT_TRUE(rewritten.contains("<l3>1 wheel of brie\n2 apples\n</l3>"));
    EXPECT_EQ(readPacket(rewritten), expected);
}

// ---- Broken lines --------------------------------------------------------

struct BrokenLines {
    std::string name;
    const char* rows;
    const char* expectedDetail;
    const char* version = "2";
};

void PrintTo(const BrokenLines& broken, std::ostream* out) {
    *out << broken.name;
}

QByteArray documentWithRows(const char* version, const char* rows) {
    return QByteArray("<savrona-data version=\"") + version +
           "\"><fields><field name=\"ID\" type=\"integer\"/>"
           "<field name=\"Name\" type=\"text\" width=\"20\"/>"
           "<field name=\"Notes\" type=\"memo\"/></fields><rows>" +
           rows + "</rows></savrona-data>";
}

class BrokenLineElements : public ::testing::TestWithParam<BrokenLines> {};

TEST_P(BrokenLineElements, AreRefusedWithAClearMessage) {
    const QByteArray document = documentWithRows(GetParam().version, GetParam().rows);
    EXPECT_EQ(messageOf([&] { readPacket(document); }).toStdString(),
              std::string("The data packet is damaged: ") + GetParam().expectedDetail + ".");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BrokenLineElements,
    ::testing::Values(
        BrokenLines{"LinesInVersionOne", "<row f1=\"1\"><l3>a\nb</l3></row>",
                    "row 1 holds the element <l3>, which version 1 data packets do not have", "1"},
        BrokenLines{"LinesOfAnInteger", "<row><l1>1</l1></row>",
                    "row 1 gives the integer field \"ID\" as lines in <l1>"},
        BrokenLines{"LinesPastTheLastField", "<row/><row><l4>x</l4></row>",
                    "row 2 gives a value for field 4, but there are 3 fields"},
        BrokenLines{"LinesOfFieldZero", "<row><l0>x</l0></row>",
                    "row 1 holds the unknown element <l0>"},
        BrokenLines{"LeadingZero", "<row><l03>x</l03></row>",
                    "row 1 holds the unknown element <l03>"},
        BrokenLines{"NoNumber", "<row><l>x</l></row>", "row 1 holds the unknown element <l>"},
        BrokenLines{"OtherElement", "<row><f3>x</f3></row>",
                    "row 1 holds the unknown element <f3>"},
        BrokenLines{"NestedRow", "<row f1=\"1\"><row f1=\"2\"/></row>",
                    "row 1 holds the unknown element <row>"},
        BrokenLines{"GivenAsAttributeAndLines", "<row f3=\"a\"><l3>b</l3></row>",
                    "row 1 gives field 3 twice"},
        BrokenLines{"LinesTwice", "<row><l3>a</l3><l3>b</l3></row>", "row 1 gives field 3 twice"},
        BrokenLines{"TextBesideLines", "<row><l3>a</l3>soup</row>",
                    "row 1 holds text outside of <lN> elements"},
        BrokenLines{"CdataBesideLines", "<row><![CDATA[soup]]></row>",
                    "row 1 holds text outside of <lN> elements"},
        BrokenLines{"ElementInsideLines", "<row><l3>a<b/>c</l3></row>",
                    "row 1 holds something other than text inside <l3>"},
        BrokenLines{"AttributeOnLines", "<row><l3 kind=\"x\">a</l3></row>",
                    "<l3> of row 1 has an attribute"},
        BrokenLines{"CarriageReturnReference", "<row><l3>a&#13;\nb</l3></row>",
                    "row 1 holds a carriage return in the lines of the field \"Notes\""},
        BrokenLines{"NotUtf8", "<row><l3>caf\xE9\n</l3></row>",
                    "row 1 holds a text in the field \"Notes\" that is not valid UTF-8"},
        BrokenLines{"SurrogateReference", "<row><l3>&#xD800;</l3></row>",
                    "row 1 holds a text in the field \"Notes\" that is not valid UTF-8"}),
    [](const auto& info) { return info.param.name; });

// ---- Lines a hand may write ----------------------------------------------

struct HandWrittenLines {
    std::string name;
    const char* rows;
    QByteArray expectedNotes;
};

void PrintTo(const HandWrittenLines& lines, std::ostream* out) {
    *out << lines.name;
}

class HandWrittenLineElements : public ::testing::TestWithParam<HandWrittenLines> {};

TEST_P(HandWrittenLineElements, ReadAsDocumented) {
    const Packet packet = readPacket(documentWithRows("2", GetParam().rows));
    ASSERT_EQ(packet.rows.size(), 1U);
    EXPECT_EQ(packet.rows[0][2], Value::text(GetParam().expectedNotes));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandWrittenLineElements,
    ::testing::Values(
        HandWrittenLines{"EmptyElement", "<row><l3/></row>", ""},
        HandWrittenLines{"EmptyStartAndEndTags", "<row><l3></l3></row>", ""},
        HandWrittenLines{"LiteralCrLfInTheFile", "<row><l3>a\r\nb\rc</l3></row>", "a\r\nb\r\nc"},
        HandWrittenLines{"LineFeedReference", "<row><l3>a&#10;b</l3></row>", "a\r\nb"},
        HandWrittenLines{"CdataJoinedWithText", "<row><l3>a<![CDATA[<b>\n]]>c</l3></row>",
                         "a<b>\r\nc"},
        HandWrittenLines{"CommentInside", "<row><l3>a<!-- x -->b</l3></row>", "ab"},
        HandWrittenLines{"WhiteSpaceAndCommentsAroundLines",
                         "<row>\n  <!-- notes -->\n  <l3>x</l3>\n</row>", "x"},
        HandWrittenLines{"OnlyWhiteSpaceInCdata", "<row><l3><![CDATA[ \n ]]></l3></row>",
                         " \r\n "}),
    [](const auto& info) { return info.param.name; });

// ---- The reader in pieces ------------------------------------------------

QByteArray manyRowsWithLines(const char* version, const char* replacedRow) {
    QByteArray rows;
    for (int row = 1; row <= 30; ++row) {
        rows += row == 17 ? QByteArray(replacedRow)
                          : "<row f1=\"" + QByteArray::number(row) + "\" f2=\"n\"><l3>line " +
                                QByteArray::number(row) + "\n&lt;row f1=\"9\"/>\n</l3></row>\n";
    }
    return documentWithRows(version, rows.constData());
}

class LineElementsInPieces : public ::testing::TestWithParam<QByteArray> {};

TEST_P(LineElementsInPieces, GiveWhatTheWholeReaderGives) {
    const QByteArray& document = GetParam();
    Packet whole;
    const QString wholeMessage = messageOf([&] { whole = readXmlPacketOnOneThread(document); });
    for (const int pieces : {2, 3, 4}) {
        for (const qsizetype chunkSize : {1, 100, 1 << 20}) {
            const std::optional<Packet> inPieces =
                readXmlPacketInPieces(document, {pieces, 0, chunkSize});
            if (!inPieces)
                continue;
            EXPECT_EQ(wholeMessage, QStringLiteral("(no error)"));
            EXPECT_EQ(*inPieces, whole) << pieces << " pieces, chunks of " << chunkSize;
        }
    }
}

TEST(LineElementsInPieces, WrittenPacketsAreReadInPieces) {
    Packet packet = packetWithText(longLines());
    for (int row = 2; row < 200; ++row)
        packet.rows.push_back({Value::integer(row), text("a\r\nb"),
                               text("<row f1=\"1\">\r\n" + QByteArray(row, 'x'))});
    const QByteArray document = writeXmlPacket(packet);
    const std::optional<Packet> inPieces = readXmlPacketInPieces(document, {3, 0, 100});
    ASSERT_TRUE(inPieces.has_value());
    EXPECT_EQ(*inPieces, packet);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, LineElementsInPieces,
    ::testing::Values(manyRowsWithLines("2", "<row f1=\"17\"/>"),
                      manyRowsWithLines("1", "<row f1=\"17\"/>"),
                      manyRowsWithLines("2", "<row f1=\"17\"><l3>a<row f1=\"18\"/></l3></row>"),
                      manyRowsWithLines("2", "<row f1=\"17\"><l3>a&#13;\n</l3></row>"),
                      manyRowsWithLines("2", "<row f1=\"17\"><l3><![CDATA[<row/>]]></l3></row>"),
                      manyRowsWithLines("2", "<row f1=\"17\"><l2>a\nb</l2>text</row>"),
                      manyRowsWithLines("2", "<row f1=\"17\"><l3>a</row>")));

} // namespace
} // namespace savrona
