#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/Error.h"
#include "data/ErrorMessage.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/PacketSamples.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace savrona {
namespace {

using savrona::test_support::PacketSample;
using savrona::test_support::packetSamples;

using test_support::messageOf;

Value text(const char* utf8) {
    return Value::text(QByteArray(utf8));
}

QByteArray packetXml(const char* fields, const char* rows) {
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<savrona-data version=\"1\"><fields>") +
           fields + "</fields><rows>" + rows + "</rows></savrona-data>";
}

constexpr const char* idAndName =
    R"(<field name="ID" type="integer"/><field name="Name" type="text" width="20"/>)";

// ---- Round trips and the written form ------------------------------------

class XmlPacketRoundTrip : public ::testing::TestWithParam<PacketSample> {};

TEST_P(XmlPacketRoundTrip, ReadsBackTheSamePacket) {
    const QByteArray xml = writeXmlPacket(GetParam().packet);
    EXPECT_TRUE(xml.isValidUtf8());
    EXPECT_EQ(readPacket(xml), GetParam().packet);
}

INSTANTIATE_TEST_SUITE_P(Samples, XmlPacketRoundTrip, ::testing::ValuesIn(packetSamples()),
                         [](const auto& info) { return info.param.name; });

TEST(XmlPacketWriting, WritesTheDocumentedForm) {
    const Packet packet{
        {{"ID", FieldType::Integer, 0},
         {"Name", FieldType::Text, 20},
         {"Notes", FieldType::Memo, 0}},
        {{Value::integer(-1), text("a\r\nb"), {}}, {{}, text(""), text("x\ty&<\"'>")}}};

    EXPECT_EQ(writeXmlPacket(packet).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<savrona-data version=\"2\">\n"
              "  <fields>\n"
              "    <field name=\"ID\" type=\"integer\"/>\n"
              "    <field name=\"Name\" type=\"text\" width=\"20\"/>\n"
              "    <field name=\"Notes\" type=\"memo\"/>\n"
              "  </fields>\n"
              "  <rows>\n"
              "    <row f1=\"-1\"><l2>a\nb</l2></row>\n"
              "    <row f2=\"\" f3=\"x&#9;y&amp;&lt;&quot;'>\"/>\n"
              "  </rows>\n"
              "</savrona-data>\n");
}

TEST(XmlPacketWriting, WritesCharactersXmlCannotHoldWithItsOwnEscapes) {
    const Packet packet{{{"Name", FieldType::Text, 20}},
                        {{text("a\x01"
                               "b\\c\r\n")},
                         {text("\xEF\xBF\xBF|\xEF\xBF\xBD")},
                         {text("plain\\")}}};

    const QByteArray xml = writeXmlPacket(packet);

    EXPECT_THAT(xml.toStdString(), ::testing::HasSubstr(R"(<row e1="a\u0001b\\c&#13;&#10;"/>)"));
    EXPECT_THAT(xml.toStdString(), ::testing::HasSubstr("<row e1=\"\\uFFFF|\xEF\xBF\xBD\"/>"));
    EXPECT_THAT(xml.toStdString(), ::testing::HasSubstr(R"(<row f1="plain\"/>)"));
    EXPECT_EQ(readPacket(xml), packet);
}

TEST(XmlPacketWriting, RefusesAFieldNameWithAControlCharacter) {
    const Packet packet{{{"Bad\x01Name", FieldType::Integer, 0}}, {}};
    EXPECT_EQ(
        messageOf([&] { writeXmlPacket(packet); }),
        QStringLiteral("The data packet cannot be written: the field name \"Bad\x01Name\" holds "
                       "a control character."));
}

TEST(XmlPacketWriting, RefusesRowsThatCouldNotBeReadBack) {
    const Packet packet{{{"ID", FieldType::Integer, 0}}, {{Value::integer(1)}, {text("one")}}};
    EXPECT_EQ(messageOf([&] { writeXmlPacket(packet); }),
              QStringLiteral(
                  "The data packet cannot be written: row 2 holds a text in the field \"ID\"."));
}

// ---- Reading what other writers may produce ------------------------------

struct ReadCase {
    std::string name;
    QByteArray xml;
    std::vector<Row> expectedRows;
};

void PrintTo(const ReadCase& readCase, std::ostream* out) {
    *out << readCase.name;
}

class XmlPacketReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(XmlPacketReading, ReadsTheRows) {
    const Packet packet = readPacket(GetParam().xml);
    EXPECT_EQ(packet.fields, (std::vector<FieldDefinition>{{"ID", FieldType::Integer, 0},
                                                           {"Name", FieldType::Text, 20}}));
    EXPECT_EQ(packet.rows, GetParam().expectedRows);
}

INSTANTIATE_TEST_SUITE_P(
    Variations, XmlPacketReading,
    ::testing::Values(
        ReadCase{"ByteOrderMarkAndWhiteSpaceFirst",
                 "\xEF\xBB\xBF \r\n\t" + packetXml(idAndName, R"(<row f1="1"/>)"),
                 {{Value::integer(1), {}}}},
        ReadCase{"NoDeclarationSingleQuotesAndComments",
                 "<!-- cookbook --><savrona-data version='1'>\n<fields>\n<!-- fields -->"
                 "<field type='integer' name='ID' /><field width = '20' type='text' name='Name'/>"
                 "</fields><rows><row f2='x' f1='2'></row><!-- end --></rows></savrona-data>",
                 {{Value::integer(2), text("x")}}},
        ReadCase{"LowerCaseEncodingName",
                 R"(<?xml version="1.0" encoding="utf-8"?><savrona-data version="1"><fields>)" +
                     QByteArray(idAndName) + "</fields><rows/></savrona-data>",
                 {}},
        ReadCase{
            "IntegersWithSignAndLeadingZeros",
            packetXml(idAndName, R"(<row f1="-2147483648"/><row f1="007"/><row f1="2147483647"/>)"),
            {{Value::integer(std::numeric_limits<std::int32_t>::min()), {}},
             {Value::integer(7), {}},
             {Value::integer(std::numeric_limits<std::int32_t>::max()), {}}}},
        ReadCase{"LiteralLineBreaksAreNormalisedReferencesAreNot",
                 packetXml(idAndName, "<row f2=\"a\r\nb\tc&#13;&#10;&#9;\"/>"),
                 {{{}, text("a b c\r\n\t")}}},
        ReadCase{"EntityAndCharacterReferences",
                 packetXml(idAndName, R"(<row f2="&lt;&gt;&amp;&quot;&apos;&#xE9;&#233;"/>)"),
                 {{{}, text("<>&\"'éé")}}},
        ReadCase{"OwnEscapes",
                 packetXml(idAndName, R"(<row e2="\u0041\u00e9\\\u001F"/>)"),
                 {{{}, text("Aé\\\x1F")}}}),
    [](const auto& info) { return info.param.name; });

// ---- Damaged and foreign documents ---------------------------------------

struct DamagedXml {
    std::string name;
    QByteArray xml;
    std::string expectedMessage;
};

void PrintTo(const DamagedXml& damaged, std::ostream* out) {
    *out << damaged.name;
}

class DamagedXmlPacket : public ::testing::TestWithParam<DamagedXml> {};

TEST_P(DamagedXmlPacket, IsRefusedWithAClearMessage) {
    EXPECT_EQ(messageOf([] { readPacket(GetParam().xml); }).toStdString(),
              GetParam().expectedMessage);
}

std::string damaged(const char* detail) {
    return std::string("The data packet is damaged: ") + detail + ".";
}

DamagedXml rowCase(std::string name, const char* rows, const char* detail) {
    return {std::move(name), packetXml(idAndName, rows), damaged(detail)};
}

DamagedXml fieldCase(std::string name, const char* fields, const char* detail) {
    return {std::move(name), packetXml(fields, ""), damaged(detail)};
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DamagedXmlPacket,
    ::testing::Values(
        DamagedXml{"UnclosedElement", "<savrona-data version=\"1\"><fields>",
                   damaged("the XML is malformed at byte 33 (Start-end tags mismatch)")},
        DamagedXml{"BrokenTagAfterByteOrderMark",
                   "\xEF\xBB\xBF  <savrona-data version=\"1\"></fields>",
                   damaged("the XML is malformed at byte 33 (Start-end tags mismatch)")},
        DamagedXml{"TextNotUtf8", packetXml(idAndName, "<row f2=\"caf\xE9\"/>"),
                   damaged("row 1 holds a text in the field \"Name\" that is not valid UTF-8")},
        DamagedXml{"FieldNameNotUtf8", packetXml("<field name=\"caf\xE9\" type=\"memo\"/>", ""),
                   damaged("the name of field 1 is not valid UTF-8")},
        DamagedXml{"OtherEncodingDeclared",
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><savrona-data version=\"1\"/>",
                   damaged("it declares the encoding \"ISO-8859-1\"; Savrona reads UTF-8 only")},
        DamagedXml{"ForeignDocument", "<cookbook version=\"2.0\"><recipe/></cookbook>",
                   "The XML document is not a Savrona data packet: its root element is "
                   "<cookbook>."},
        DamagedXml{"TwoRootElements", "<savrona-data version=\"1\"/><savrona-data version=\"1\"/>",
                   damaged("it has more than one root element")},
        DamagedXml{"OnlyAComment", "<!-- nothing -->",
                   damaged("the XML is malformed at byte 15 (No document element found)")},
        DamagedXml{"LaterVersion", "<savrona-data version=\"3\"/>",
                   "The data packet has version 3; Savrona reads versions 1 and 2 only."},
        DamagedXml{"NoVersion", "<savrona-data/>", damaged("it gives no version")},
        DamagedXml{"UnknownRootAttribute", "<savrona-data version=\"1\" mode=\"x\"/>",
                   damaged("<savrona-data> has the unknown attribute \"mode\"")},
        DamagedXml{"NoFields", "<savrona-data version=\"1\"><rows/></savrona-data>",
                   damaged("<savrona-data> holds no <fields>")},
        DamagedXml{"NoRows", "<savrona-data version=\"1\"><fields/></savrona-data>",
                   damaged("<savrona-data> holds no <rows>")},
        DamagedXml{"RowsTwice",
                   "<savrona-data version=\"1\"><fields/><rows/><rows/></savrona-data>",
                   damaged("<savrona-data> holds more than one <rows>")},
        DamagedXml{"TextInTheRoot",
                   "<savrona-data version=\"1\">hello<fields/><rows/></savrona-data>",
                   damaged("<savrona-data> holds text")}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Fields, DamagedXmlPacket,
    ::testing::Values(
        fieldCase("RowAmongFields", "<row/>",
                  "the element <fields> holds <row> where only <field> elements belong"),
        fieldCase("TextAmongFields", "ID",
                  "the element <fields> holds text where only <field> elements belong"),
        DamagedXml{"UnknownType", packetXml(R"(<field name="Price" type="float"/>)", ""),
                   "The data packet holds the field \"Price\" of type \"float\", which Savrona "
                   "cannot read."},
        fieldCase("NoName", R"(<field type="integer"/>)", "field 1 has no name"),
        fieldCase("TextWithoutWidth", R"(<field name="Name" type="text"/>)",
                  "the text field \"Name\" has no valid width"),
        fieldCase("WidthOfAnInteger", R"(<field name="ID" type="integer" width="4"/>)",
                  "the field \"ID\" has a width but is no text field"),
        fieldCase("UnknownFieldAttribute", R"(<field name="ID" type="integer" key="yes"/>)",
                  "field 1 has an unknown or repeated attribute \"key\""),
        fieldCase("NamesDifferingOnlyInCase",
                  R"(<field name="Title" type="memo"/><field name="TITLE" type="memo"/>)",
                  "the field name \"TITLE\" appears twice")),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedXmlPacket,
    ::testing::Values(
        rowCase("FieldAmongRows", "<field/>",
                "the element <rows> holds <field> where only <row> elements belong"),
        rowCase("UnknownAttribute", R"(<row x1="1"/>)", "row 1 has the unknown attribute \"x1\""),
        rowCase("FieldZero", R"(<row f1="1"/><row f0="1"/>)",
                "row 2 has the unknown attribute \"f0\""),
        rowCase("LeadingZeroInFieldNumber", R"(<row f01="1"/>)",
                "row 1 has the unknown attribute \"f01\""),
        rowCase("MoreValuesThanFields", R"(<row f1="1" f2="a" f3="b"/>)",
                "row 1 gives a value for field 3, but there are 2 fields"),
        rowCase("FieldGivenTwice", R"(<row f2="a" e2="b"/>)", "row 1 gives field 2 twice"),
        rowCase("TextInAnIntegerField", R"(<row f1="abc"/>)",
                "row 1 holds \"abc\" in the integer field \"ID\""),
        rowCase("EmptyInteger", R"(<row f1=""/>)", "row 1 holds \"\" in the integer field \"ID\""),
        rowCase("IntegerWithPlus", R"(<row f1="+1"/>)",
                "row 1 holds \"+1\" in the integer field \"ID\""),
        rowCase("IntegerAbove32Bits", R"(<row f1="2147483648"/>)",
                "row 1 holds \"2147483648\" in the integer field \"ID\""),
        rowCase("EscapedFormOfAnInteger", R"(<row e1="1"/>)",
                "row 1 holds \"1\" in the integer field \"ID\""),
        rowCase("UnknownEscape", R"(<row e2="\q"/>)",
                "row 1 holds a broken escape in the field \"Name\""),
        rowCase("SurrogateEscape", R"(<row e2="\uD800"/>)",
                "row 1 holds a broken escape in the field \"Name\""),
        rowCase("SurrogateReference", R"(<row f2="&#xD800;"/>)",
                "row 1 holds a text in the field \"Name\" that is not valid UTF-8"),
        rowCase("TrailingBackslash", R"(<row e2="a\"/>)",
                "row 1 holds a broken escape in the field \"Name\"")),
    [](const auto& info) { return info.param.name; });

TEST(XmlPacketDetection, TellsTheFormFromTheContent) {
    EXPECT_TRUE(looksLikeXmlPacket("<x/>"));
    EXPECT_TRUE(looksLikeXmlPacket("\xEF\xBB\xBF\r\n <x/>"));
    EXPECT_FALSE(looksLikeXmlPacket(""));
    EXPECT_FALSE(looksLikeXmlPacket("\xEF\xBB\xBF"));
    EXPECT_FALSE(looksLikeXmlPacket(" x<"));
    EXPECT_EQ(messageOf([] { readPacket("   "); }),
              QStringLiteral("The data is neither a binary nor an XML data packet."));
}

} // namespace
} // namespace savrona
