// Data files in the original engine's XML data-packet layout: hand-written documents
// read, merged and written back in the layout they came in; damaged ones refused with
// the row and attribute named; the initial cookbook in that layout; tables keeping it.
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/TableTestSupport.h"
#include "data/initial-cookbook/InitialCookbook.h"
#include "data/packets/DataPacketXmlFromRaw.h"
#include "data/packets/PacketFormats.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <variant>

namespace savrona {
namespace {

using testing::messageOf;

Value text(const char* utf8) {
    return Value::text(QByteArray(utf8));
}

Value number(std::int32_t value) {
    return Value::integer(value);
}

// A packet or the message of the error.
using Outcome = std::variant<Packet, QString>;

Outcome outcomeOnOneThread(QByteArrayView document) {
    try {
        return readDataPacketXmlOnOneThread(document);
    } catch (const Error& error) {
        return error.message();
    }
}

// Pieces of a row or a few rows, on two to four threads.
const XmlPiecesSettings forcedPieces[] = {{2, 0, 1}, {3, 0, 150}, {4, 0, 1 << 20}};

// The rows read in pieces give what the whole reader gives, the same packet
// or the same message, or the pieces reader declines; true when it read the
// document every time.
bool piecesAgreeWithTheWholeReader(QByteArrayView document) {
    const Outcome whole = outcomeOnOneThread(document);
    bool readEveryTime = true;
    for (const XmlPiecesSettings& settings : forcedPieces) {
        std::optional<Outcome> inPieces;
        try {
            if (std::optional<Packet> packet = readDataPacketXmlInPieces(document, settings))
                inPieces = std::move(*packet);
        } catch (const Error& error) {
            inPieces = error.message();
        }
        readEveryTime = readEveryTime && inPieces.has_value();
        if (inPieces) {
            EXPECT_EQ(*inPieces, whole) << settings.pieceCount << " pieces";
        }
    }
    return readEveryTime;
}

// ---- Round trips -----------------------------------------------------------

struct RoundTrip {
    std::string name;
    QByteArray document;
    std::vector<FieldDefinition> fields;
    std::vector<Row> rows;
    QByteArray writtenBack;
};

void PrintTo(const RoundTrip& roundTrip, std::ostream* out) {
    *out << roundTrip.name;
}

class DataPacketXmlRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(DataPacketXmlRoundTrip, ReadsMergedAndWritesBackInTheSameLayout) {
    const Packet packet = readPacket(GetParam().document);
    EXPECT_EQ(packet.fields, GetParam().fields);
    EXPECT_EQ(packet.rows, GetParam().rows);
    ASSERT_TRUE(packet.dataPacketXmlLayout.has_value());

    const QByteArray written = writeXmlPacket(packet);
    EXPECT_EQ(written.toStdString(), GetParam().writtenBack.toStdString());
    EXPECT_EQ(readPacket(written), packet) << "the layout itself survives too";
}

TEST_P(DataPacketXmlRoundTrip, PiecesReadWhatTheWholeReaderReads) {
    piecesAgreeWithTheWholeReader(GetParam().document);
    piecesAgreeWithTheWholeReader(GetParam().writtenBack);
}

const QByteArray categoryFieldsXml =
    R"(<FIELD attrname="ID" fieldtype="i4"/><FIELD attrname="SubID" fieldtype="i4"/>)"
    R"(<FIELD attrname="Category" fieldtype="string" WIDTH="125"/>)";

const QByteArray titleFieldsXml =
    R"(<FIELD attrname="ID" fieldtype="i4"/><FIELD attrname="Title" fieldtype="string" )"
    R"(WIDTH="255"/><FIELD attrname="Ingredients" fieldtype="bin.hex" SUBTYPE="Text"/>)"
    R"(<FIELD attrname="Notes" fieldtype="string" WIDTH="255"/>)";

std::vector<FieldDefinition> titleFields() {
    return {{"ID", FieldType::Integer, 0},
            {"Title", FieldType::Text, 255},
            {"Ingredients", FieldType::Memo, 0},
            {"Notes", FieldType::Text, 255}};
}

const std::vector<FieldDefinition> nameField{{"Name", FieldType::Text, 20}};
const QByteArray nameFieldXml = R"(<FIELD attrname="Name" fieldtype="string" WIDTH="20"/>)";

QByteArray nameDocument(const QByteArray& declaration, const QByteArray& name) {
    return declaration + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + nameFieldXml +
           "</FIELDS></METADATA><ROWDATA><ROW Name=\"" + name + "\"/></ROWDATA></DATAPACKET>";
}

INSTANTIATE_TEST_SUITE_P(
    HandWritten, DataPacketXmlRoundTrip,
    ::testing::Values(
        RoundTrip{
            "ChangeLogReplacingARowWithOmittedFields",
            "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>\n" +
                categoryFieldsXml +
                "\n</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 3 2 8\"/></METADATA>\n"
                R"(<ROWDATA><ROW RowState="4" ID="1" SubID="0" Category="Sauces and Gravys"/>)"
                "\n"
                R"(<ROW RowState="1" ID="2" SubID="0" Category="Sups"/><ROW RowState="8" )"
                R"(Category="Soups"/></ROWDATA></DATAPACKET>)",
            testing::categoryFields(),
            {{number(1), number(0), text("Sauces and Gravys")},
             {number(2), number(0), text("Soups")}},
            "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n"
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
                categoryFieldsXml +
                "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                R"(<ROW ID="1" SubID="0" Category="Sauces and Gravys"/>)"
                R"(<ROW ID="2" SubID="0" Category="Soups"/></ROWDATA></DATAPACKET>)"
                "\r\n"},
        RoundTrip{
            "Utf8WithoutChangeLogNullsEmptyTextsAndLineBreaks",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\">"
            "<METADATA><FIELDS>" +
                titleFieldsXml +
                "</FIELDS></METADATA><ROWDATA>"
                "<ROW ID=\"1\" Title=\"Crème brûlée ½\" Ingredients=\"2 eggs&#13;&#10;1 cup "
                "sugar&#013;&#010;€ 3\" Notes=\"\"/><ROW ID=\"2\" Title=\"寿司 🍣\"/>"
                "<ROW Title=\"Tom's &quot;best&quot; &lt;chili&gt; &amp; rice&#9;!\"/>"
                "</ROWDATA></DATAPACKET>",
            titleFields(),
            {{number(1), text("Crème brûlée ½"), text("2 eggs\r\n1 cup sugar\r\n€ 3"), text("")},
             {number(2), text("寿司 🍣"), {}, {}},
             {{}, text("Tom's \"best\" <chili> & rice\t!"), {}, {}}},
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DATAPACKET Version=\"2.0\">"
            "<METADATA><FIELDS>" +
                titleFieldsXml +
                "</FIELDS></METADATA><ROWDATA>"
                "<ROW ID=\"1\" Title=\"Crème brûlée ½\" Ingredients=\"2 eggs&#13;&#10;1 cup "
                "sugar&#13;&#10;€ 3\" Notes=\"\"/><ROW ID=\"2\" Title=\"寿司 🍣\"/>"
                "<ROW Title=\"Tom's &quot;best&quot; &lt;chili> &amp; rice&#9;!\"/>"
                "</ROWDATA></DATAPACKET>\r\n"},
        RoundTrip{"CodePageWithWhiteSpaceAndOtherAttributesKept",
                  "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                  "<DATAPACKET Version=\"2.0\">\r\n  <METADATA>\r\n    <FIELDS>\r\n"
                  "      <FIELD attrname=\"ID\" fieldtype=\"i4\" fieldname=\"Number\" "
                  "required=\"true\"/>\r\n"
                  "      <FIELD attrname=\"Title\" fieldtype=\"string\" WIDTH=\"40\"/>\r\n"
                  "      <FIELD attrname=\"Notes\" fieldtype=\"string\" WIDTH=\"255\"/>\r\n"
                  "    </FIELDS>\r\n    <PARAMS LCID=\"1033\" CHANGE_LOG=\"1 0 4  2 0 4\r\n3 2 8\" "
                  "DEFAULT_ORDER=\"1\"/>\r\n  </METADATA>\r\n  <ROWDATA>\r\n"
                  "    <ROW RowState=\"4\" ID=\"1\" Title=\"Caf\xE9 \x80 \xBD &#23551;\"/>\r\n"
                  "    <ROW RowState=\"1\" ID=\"2\" Title=\"Old\" Notes=\"n\"/>\r\n"
                  "    <ROW RowState=\"8\" Title=\"New\"/>\r\n  </ROWDATA>\r\n</DATAPACKET>\r\n",
                  {{"ID", FieldType::Integer, 0},
                   {"Title", FieldType::Text, 40},
                   {"Notes", FieldType::Text, 255}},
                  {{number(1), text("Café € ½ 寿"), {}}, {number(2), text("New"), text("n")}},
                  "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                  "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                  "<FIELD attrname=\"ID\" fieldtype=\"i4\" fieldname=\"Number\" required=\"true\"/>"
                  "<FIELD attrname=\"Title\" fieldtype=\"string\" WIDTH=\"40\"/>"
                  "<FIELD attrname=\"Notes\" fieldtype=\"string\" WIDTH=\"255\"/>"
                  "</FIELDS><PARAMS LCID=\"1033\" DEFAULT_ORDER=\"1\"/></METADATA><ROWDATA>"
                  "<ROW ID=\"1\" Title=\"Caf\xE9 \x80 \xBD &#23551;\"/>"
                  "<ROW ID=\"2\" Title=\"New\" Notes=\"n\"/></ROWDATA></DATAPACKET>\r\n"},
        RoundTrip{"NoDeclarationInCodePage",
                  nameDocument("", "\xE9t\xE9 \x93quoted\x94 &#8364;"),
                  nameField,
                  {{text("été “quoted” €")}},
                  nameDocument("", "\xE9t\xE9 \x93quoted\x94 \x80") + "\r\n"},
        RoundTrip{"NoDeclarationButValidUtf8IsWrittenBackInCodePage",
                  nameDocument("", "été Ω"),
                  nameField,
                  {{text("été Ω")}},
                  nameDocument("", "\xE9t\xE9 &#937;") + "\r\n"},
        RoundTrip{"NoDeclarationTextsWhoseCodePageBytesWouldReadAsUtf8",
                  nameDocument("", "&#195;&#169;"),
                  nameField,
                  {{text("Ã©")}},
                  nameDocument("", "&#195;&#169;") + "\r\n"},
        RoundTrip{
            "Latin1DeclaredKeepsTheBytes80To9FAsReferences",
            nameDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "\x80 \xE9"),
            nameField,
            {{text("€ é")}},
            nameDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n", "&#8364; \xE9") +
                "\r\n"},
        RoundTrip{"ControlCharactersAndCharactersXmlCannotHoldAsReferences",
                  nameDocument("<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                               "a&#1;b&#x1F;c&#65535;\xC2\x81"),
                  nameField,
                  {{text("a\x01"
                         "b\x1F"
                         "c\xEF\xBF\xBF\xC2\x81")}},
                  nameDocument("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n",
                               "a&#1;b&#31;c&#65535;\xC2\x81") +
                      "\r\n"},
        RoundTrip{"ChainOfChangesAndADeletion",
                  "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + titleFieldsXml +
                      "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 2 8 4 3 8 5 0 4 6 5 2\"/>"
                      "</METADATA><ROWDATA>"
                      "<ROW RowState=\"4\" ID=\"1\" Title=\"Soup\" Ingredients=\"water\"/>"
                      "<ROW RowState=\"1\" ID=\"2\" Title=\"Stew\" Ingredients=\"beef\" "
                      "Notes=\"old\"/>"
                      "<ROW RowState=\"9\" Title=\"Stew v2\"/>"
                      "<ROW RowState=\"8\" Ingredients=\"beef&#13;&#10;carrots\"/>"
                      "<ROW RowState=\"1\" ID=\"5\" Title=\"Gone\"/>"
                      "<ROW RowState=\"2\"/>"
                      "<ROW ID=\"7\" Title=\"Unchanged\" Ingredients=\"\"/></ROWDATA></DATAPACKET>",
                  titleFields(),
                  {{number(1), text("Soup"), text("water"), {}},
                   {number(2), text("Stew v2"), text("beef\r\ncarrots"), text("old")},
                   {number(7), text("Unchanged"), text(""), {}}},
                  "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + titleFieldsXml +
                      "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                      "<ROW ID=\"1\" Title=\"Soup\" Ingredients=\"water\"/>"
                      "<ROW ID=\"2\" Title=\"Stew v2\" Ingredients=\"beef&#13;&#10;carrots\" "
                      "Notes=\"old\"/>"
                      "<ROW ID=\"7\" Title=\"Unchanged\" Ingredients=\"\"/>"
                      "</ROWDATA></DATAPACKET>\r\n"},
        RoundTrip{
            "NarrowerIntegerTypesAndAttributesInAnyOrder",
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"a\" fieldtype=\"i2\"/><FIELD attrname=\"b\" fieldtype=\"i1\"/>"
            "<FIELD fieldtype=\"ui1\" attrname=\"c\"/><FIELD attrname=\"d\" fieldtype=\"ui2\"/>"
            "<FIELD attrname=\"e\" fieldtype=\"ui4\"/></FIELDS></METADATA><ROWDATA>"
            "<ROW e=\"2147483647\" d=\"65535\" c=\"255\" b=\"-128\" a=\"-32768\"/>"
            "</ROWDATA></DATAPACKET>",
            {{"a", FieldType::Integer, 0},
             {"b", FieldType::Integer, 0},
             {"c", FieldType::Integer, 0},
             {"d", FieldType::Integer, 0},
             {"e", FieldType::Integer, 0}},
            {{number(-32768), number(-128), number(255), number(65535), number(2147483647)}},
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"a\" fieldtype=\"i2\"/><FIELD attrname=\"b\" fieldtype=\"i1\"/>"
            "<FIELD fieldtype=\"ui1\" attrname=\"c\"/><FIELD attrname=\"d\" fieldtype=\"ui2\"/>"
            "<FIELD attrname=\"e\" fieldtype=\"ui4\"/></FIELDS></METADATA><ROWDATA>"
            "<ROW a=\"-32768\" b=\"-128\" c=\"255\" d=\"65535\" e=\"2147483647\"/>"
            "</ROWDATA></DATAPACKET>\r\n"},
        RoundTrip{"EmptyTable",
                  "<!-- kept by hand -->\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
                      categoryFieldsXml + "</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>",
                  testing::categoryFields(),
                  {},
                  "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + categoryFieldsXml +
                      "</FIELDS><PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>\r\n"}),
    [](const auto& info) { return info.param.name; });

// Documents with a document type: kept as it stands, references to the
// entities it declares kept in the texts as they stand, nothing expanded
// and nothing outside the file read.
const QByteArray standalone = "<?xml version=\"1.0\" standalone=\"yes\"?>";

QByteArray typedNameDocument(const QByteArray& documentType, const QByteArray& name) {
    return nameDocument(standalone + "\n" + documentType + "\n", name);
}

QByteArray typedNameWrittenBack(const QByteArray& documentType, const QByteArray& name) {
    return nameDocument(standalone + "\r\n" + documentType + "\r\n", name) + "\r\n";
}

RoundTrip typedRoundTrip(std::string name, const QByteArray& documentType, const QByteArray& value,
                         const char* read) {
    return {std::move(name),
            typedNameDocument(documentType, value),
            nameField,
            {{text(read)}},
            typedNameWrittenBack(documentType, value)};
}

const QByteArray brandEntities = "<!DOCTYPE DATAPACKET [\r\n"
                                 "  <!ENTITY brand \"Keltrim\">\r\n"
                                 "  <!-- \"quoted\" ]> in a comment -->\r\n"
                                 "  <!ENTITY chef 'Ana &amp; \"Bo\" ]>'>\r\n"
                                 "  <!ENTITY % kind \"pie\">\r\n"
                                 "]>";

const QByteArray billionLaughs =
    "<!DOCTYPE DATAPACKET [<!ENTITY lol \"lol\">"
    "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
    "<!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">"
    "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
    "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
    "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">"
    "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">"
    "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">"
    "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">"
    "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">]>";

const QByteArray externalEntity =
    "<!DOCTYPE DATAPACKET [<!ENTITY passwd SYSTEM \"file:///etc/passwd\">]>";

INSTANTIATE_TEST_SUITE_P(
    DocumentTypes, DataPacketXmlRoundTrip,
    ::testing::Values(
        RoundTrip{"WithoutInternalSubset",
                  typedNameDocument("<!DOCTYPE DATAPACKET SYSTEM \"datapacket.dtd\">",
                                    "Tom &amp; Jerry &lt;3&gt;"),
                  nameField,
                  {{text("Tom & Jerry <3>")}},
                  typedNameWrittenBack("<!DOCTYPE DATAPACKET SYSTEM \"datapacket.dtd\">",
                                       "Tom &amp; Jerry &lt;3>")},
        typedRoundTrip("InternalEntitiesUsedInAValue", brandEntities,
                       "&brand; pie by &chef;, &amp;brandy &amp; &amp;chef",
                       "&brand; pie by "
                       "&chef;, &brandy & &chef"),
        typedRoundTrip("BillionLaughsNeverExpanded", billionLaughs, "&lol9;&lol9;", "&lol9;&lol9;"),
        typedRoundTrip("ExternalEntityNeverRead", externalEntity, "&passwd;", "&passwd;"),
        RoundTrip{"InCodePage",
                  nameDocument("<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                               "<!DOCTYPE DATAPACKET [<!ENTITY caf\xE9 \"Caf\xE9\">]>",
                               "&caf\xE9; \xBD"),
                  nameField,
                  {{text("&café; ½")}},
                  nameDocument("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                               "<!DOCTYPE DATAPACKET [<!ENTITY caf\xE9 \"Caf\xE9\">]>\r\n",
                               "&caf\xE9; \xBD") +
                      "\r\n"},
        // No document type declares no entity: such a text is only text, as
        // it always was.
        RoundTrip{"ReferenceWithoutDocumentTypeIsText",
                  nameDocument("", "&brand; pie"),
                  nameField,
                  {{text("&brand; pie")}},
                  nameDocument("", "&amp;brand; pie") + "\r\n"}),
    [](const auto& info) { return info.param.name; });

TEST(DataPacketXmlDocumentType, RowsAreReadInPiecesAsWhole) {
    const QByteArray rows = QByteArray("<ROW Name=\"&brand; &amp; &#233;\"/>\n").repeated(40);
    EXPECT_TRUE(piecesAgreeWithTheWholeReader(
        typedNameDocument(brandEntities, "x").replace("<ROW Name=\"x\"/>", rows)));
}

TEST(DataPacketXmlWriting, TextsTypedWithReferencesToDeclaredEntitiesKeepThem) {
    Packet packet = readPacket(typedNameDocument(brandEntities, "x"));
    packet.rows = {{text("&brand; &chef & &kind; &#38;")}};
    EXPECT_EQ(writeXmlPacket(packet).toStdString(),
              typedNameWrittenBack(brandEntities, "&brand; &amp;chef &amp; &amp;kind; &amp;#38;")
                  .toStdString());
}

// ---- Damaged documents -------------------------------------------------------

struct DamagedDocument {
    std::string name;
    QByteArray document;
    std::string expectedMessage;
};

void PrintTo(const DamagedDocument& damaged, std::ostream* out) {
    *out << damaged.name;
}

class DamagedDataPacketXml : public ::testing::TestWithParam<DamagedDocument> {};

TEST_P(DamagedDataPacketXml, IsRefusedNamingWhatAndWhere) {
    EXPECT_EQ(messageOf([] { readPacket(GetParam().document); }).toStdString(),
              GetParam().expectedMessage);
    piecesAgreeWithTheWholeReader(GetParam().document);
}

std::string damaged(const char* detail) {
    return std::string("The data packet is damaged: ") + detail + ".";
}

QByteArray document(const QByteArray& fields, const QByteArray& rows,
                    const QByteArray& params = {}) {
    return "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"
           "<FIELDS>" +
           fields + "</FIELDS>" + params + "</METADATA><ROWDATA>" + rows +
           "</ROWDATA></DATAPACKET>";
}

DamagedDocument rowCase(std::string name, const QByteArray& rows, const char* detail,
                        const QByteArray& params = {}) {
    return {std::move(name), document(categoryFieldsXml, rows, params), damaged(detail)};
}

DamagedDocument fieldCase(std::string name, const QByteArray& fields, const char* detail) {
    return {std::move(name), document(fields, ""), damaged(detail)};
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DamagedDataPacketXml,
    ::testing::Values(
        DamagedDocument{"Unclosed", "<DATAPACKET Version=\"2.0\"><METADATA>",
                        damaged("the XML is malformed at byte 35 (Start-end tags mismatch)")},
        DamagedDocument{"MalformedAfterCodePageCharactersCountsTheFileBytes",
                        nameDocument("", "\xE9\xE9\xE9") + "<",
                        damaged("the XML is malformed at byte 167 (Could not determine tag type)")},
        DamagedDocument{"NoFields", "<DATAPACKET Version=\"2.0\"><METADATA/></DATAPACKET>",
                        damaged("<METADATA> holds no <FIELDS>")},
        DamagedDocument{"NoRowData", "<DATAPACKET><METADATA><FIELDS/></METADATA></DATAPACKET>",
                        damaged("<DATAPACKET> holds no <ROWDATA>")},
        DamagedDocument{"TwoMetadata",
                        "<DATAPACKET><METADATA><FIELDS/></METADATA><METADATA/><ROWDATA/>"
                        "</DATAPACKET>",
                        damaged("<DATAPACKET> holds more than one <METADATA>")},
        DamagedDocument{"UnknownElementInMetadata",
                        "<DATAPACKET><METADATA><FIELDS/><INDEXES/></METADATA><ROWDATA/>"
                        "</DATAPACKET>",
                        damaged("<METADATA> holds the unknown element <INDEXES>")},
        DamagedDocument{"TextAmongTheRows",
                        "<DATAPACKET><METADATA><FIELDS/></METADATA><ROWDATA>rows</ROWDATA>"
                        "</DATAPACKET>",
                        damaged("<ROWDATA> holds text")},
        DamagedDocument{"OtherEncoding",
                        nameDocument("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>", "x"),
                        "The data packet is in the encoding \"ISO-8859-2\", which Savrona cannot "
                        "read; it reads UTF-8, windows-1252 and ISO-8859-1."},
        DamagedDocument{
            "ByteOrderMarkAndCodePageDeclared",
            nameDocument("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "x"),
            damaged("it starts with a UTF-8 byte order mark but declares the "
                    "encoding \"windows-1252\"")},
        DamagedDocument{"Utf8DeclaredButNot",
                        nameDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "caf\xE9"),
                        damaged("row 1 holds a text in the field \"Name\" that is not valid "
                                "UTF-8")},
        DamagedDocument{"ReferenceToCharacterZero", nameDocument("", "cut&#x00;here"),
                        damaged("it holds the reference to the character 0, which no XML "
                                "document can hold")}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Fields, DamagedDataPacketXml,
    ::testing::Values(
        DamagedDocument{"UnknownType", document(R"(<FIELD attrname="Price" fieldtype="r8"/>)", ""),
                        "The data packet holds the field \"Price\" of type \"r8\", which Savrona "
                        "cannot read."},
        DamagedDocument{"BytesThatAreNoText",
                        document(R"(<FIELD attrname="Photo" fieldtype="bin.hex" )"
                                 R"(SUBTYPE="Graphics"/>)",
                                 ""),
                        "The data packet holds the field \"Photo\" of type \"bin.hex\" and "
                        "subtype \"Graphics\", which Savrona cannot read."},
        fieldCase("NoAttrname", R"(<FIELD fieldtype="i4"/>)", "<FIELD> 1 has no attrname"),
        fieldCase("NoFieldtype", R"(<FIELD attrname="ID"/>)", "the field \"ID\" has no fieldtype"),
        fieldCase("TextWithoutWidth", R"(<FIELD attrname="Name" fieldtype="string"/>)",
                  "the text field \"Name\" has no valid WIDTH"),
        fieldCase("AttributeTwice", R"(<FIELD attrname="ID" fieldtype="i4" fieldtype="i2"/>)",
                  "<FIELD> 1 has the attribute \"fieldtype\" twice"),
        fieldCase("NamesDifferingOnlyInCase",
                  R"(<FIELD attrname="Title" fieldtype="i4"/><FIELD attrname="TITLE" )"
                  R"(fieldtype="i4"/>)",
                  "the field name \"TITLE\" appears twice"),
        fieldCase("NameThatCannotBeAnAttribute",
                  R"(<FIELD attrname="Cooking time" fieldtype="i4"/>)",
                  "the field name \"Cooking time\" cannot name an attribute of <ROW>"),
        fieldCase("NamedLikeTheRowState", R"(<FIELD attrname="RowState" fieldtype="i4"/>)",
                  "a field is named \"RowState\" like the state of a row"),
        DamagedDocument{"NameOutsideTheCodePageItIsWrittenBackIn",
                        nameDocument("", "x").replace("\"Name\"", "\"Größe_Ω\""),
                        damaged("the field name \"Größe_Ω\" holds a character that code page 1252 "
                                "cannot hold")},
        fieldCase("ElementInsideAField",
                  R"(<FIELD attrname="Kids" fieldtype="nested"><FIELDS/></FIELD>)",
                  "<FIELD> 1 holds elements or text")),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedDataPacketXml,
    ::testing::Values(
        rowCase("AttributeNamingNoField", R"(<ROW ID="1"/><ROW Titel="x"/>)",
                "row 2 has the attribute \"Titel\", which names no field"),
        rowCase("FieldNamesAreCaseSensitive", R"(<ROW id="1"/>)",
                "row 1 has the attribute \"id\", which names no field"),
        rowCase("FieldGivenTwice", R"(<ROW ID="1" ID="2"/>)", "row 1 gives the field \"ID\" twice"),
        rowCase("TextInAnIntegerField", R"(<ROW ID="abc"/>)",
                "row 1 holds \"abc\" in the integer field \"ID\""),
        rowCase("EmptyInteger", R"(<ROW SubID=""/>)",
                "row 1 holds \"\" in the integer field \"SubID\""),
        rowCase("IntegerBeyond32Bits", R"(<ROW ID="4294967295"/>)",
                "row 1 holds \"4294967295\" in the integer field \"ID\""),
        rowCase("BadRowState", R"(<ROW RowState="new"/>)", "row 1 has the RowState \"new\""),
        rowCase("RowStateTwice", R"(<ROW RowState="4" RowState="4"/>)",
                "row 1 gives its RowState twice"),
        rowCase("ElementInARow", R"(<ROW ID="1"><ROW/></ROW>)", "row 1 holds elements or text"),
        rowCase("OtherElementAmongRows", R"(<ROW/><FIELD/>)",
                "<ROWDATA> holds the unknown element <FIELD>"),
        rowCase("ChangeLogWord", "<ROW/>", "the change log holds \"one\" where a number belongs",
                R"(<PARAMS CHANGE_LOG="one 0 4"/>)"),
        rowCase("ChangeLogOfPartEntries", "<ROW/>", "the change log does not hold whole entries",
                R"(<PARAMS CHANGE_LOG="1 0"/>)"),
        rowCase("ChangeLogNamingAMissingRow", "<ROW/>", "change log entry 1 names row 2 of 1",
                R"(<PARAMS CHANGE_LOG="2 0 4"/>)"),
        rowCase("ReplacedRowNotMarked", R"(<ROW ID="1"/><ROW RowState="8" Category="x"/>)",
                "row 1 is replaced by row 2 but not marked as replaced",
                R"(<PARAMS CHANGE_LOG="2 1 8"/>)"),
        rowCase("ChangeLogLoop", R"(<ROW RowState="9"/><ROW RowState="9"/>)",
                "the change log replaces row 1 in a loop",
                R"(<PARAMS CHANGE_LOG="1 2 8 2 1 8"/>)")),
    [](const auto& info) { return info.param.name; });

// A document type that the parser refuses, or references that Savrona could
// not write back as they stand.
// The message's %1 is the byte where at stands, when given.
DamagedDocument typedCase(std::string name, const QByteArray& documentType, const QByteArray& value,
                          const char* message, const char* at = nullptr) {
    const QByteArray document = typedNameDocument(documentType, value);
    const QString expected = QString::fromUtf8(message);
    return {std::move(name), document,
            (at ? expected.arg(document.indexOf(at)) : expected).toStdString()};
}

const char* const undeclared = "The data packet is damaged: it refers at byte %1 to the entity "
                               "\"&brandy;\", which its document type does not declare.";
const char* const speltOut = "The data packet spells out the text \"&brand;\" at byte %1, which "
                             "Savrona could not tell from the reference to the entity of that name "
                             "in its document type.";

INSTANTIATE_TEST_SUITE_P(
    DocumentTypes, DamagedDataPacketXml,
    ::testing::Values(
        typedCase("UndeclaredEntity", brandEntities, "&brand; &brandy;", undeclared, "&brandy;"),
        typedCase("EntityDeclaredOnlyOutsideTheFile",
                  "<!DOCTYPE DATAPACKET SYSTEM \"file:///etc/brands.dtd\">", "&brandy;", undeclared,
                  "&brandy;"),
        typedCase("AmpersandAsReference", brandEntities, "&brand; &amp;brand;", speltOut,
                  "&amp;brand;"),
        typedCase("AmpersandAsCharacterReference", brandEntities, "&#x26;brand;", speltOut,
                  "&#x26;"),
        typedCase("SemicolonAsCharacterReference", brandEntities, "&brand&#59;", speltOut,
                  "&brand"),
        // The parser stops at the end of the document, and at the root element.
        typedCase("Unterminated", "<!DOCTYPE DATAPACKET [<!ENTITY brand \"Keltrim>]>", "x",
                  "The data packet is damaged: the XML is malformed at byte 252 (Error parsing "
                  "document type declaration)."),
        typedCase("DeeplyNested",
                  "<!DOCTYPE DATAPACKET [" + QByteArray("<!").repeated(50000) + "]>", "x",
                  "The data packet is damaged: the XML is malformed at byte 100064 (Error "
                  "parsing document type declaration)."),
        typedCase("TwoDocumentTypes", "<!DOCTYPE DATAPACKET><!DOCTYPE DATAPACKET>", "x",
                  "The data packet is damaged: it has more than one document type."),
        DamagedDocument{"OutsideTheCodePageItIsWrittenBackIn",
                        nameDocument("<!DOCTYPE DATAPACKET [<!ENTITY omega \"Ω\">]>", "x"),
                        damaged("its document type holds a character that code page 1252 cannot "
                                "hold")},
        DamagedDocument{"DocumentTypeAfterTheRoot", nameDocument("", "x") + "<!DOCTYPE DATAPACKET>",
                        damaged("its document type comes after its root element")}),
    [](const auto& info) { return info.param.name; });

TEST(DataPacketXmlWriting, RefusesWhatCouldNotBeReadBack) {
    Packet packet = readPacket(nameDocument("", "x"));
    packet.rows.push_back({Value::text(QByteArray("nul\0byte", 8))});
    EXPECT_EQ(messageOf([&] { writeXmlPacket(packet); }),
              "The data packet cannot be written: row 2 holds the character U+0000 in the field "
              "\"Name\", which XML cannot hold.");

    packet.rows = {{number(1)}};
    EXPECT_EQ(messageOf([&] { writeXmlPacket(packet); }),
              "The data packet cannot be written: row 1 holds a number in the field \"Name\".");

    // Without a declared encoding the file would be read back as UTF-8.
    packet = readPacket(nameDocument("<!DOCTYPE DATAPACKET [<!ENTITY a \"Ã©\">]>", "x"));
    EXPECT_EQ(messageOf([&] { writeXmlPacket(packet); }),
              "The data packet cannot be written: the document type would read as UTF-8 in a "
              "file that declares no encoding.");
}

// ---- The initial cookbook in this layout ---------------------------------------

struct CarriedPacket {
    const char* name;
    QByteArray (*bytesWithLength)();
    std::size_t currentRows;
};

class InitialCookbookAsDataPacketXml : public ::testing::TestWithParam<CarriedPacket> {};

// Every row of the carried packet, row states, change log and values of the
// rows replaced included, as a program built on the engine would keep them.
TEST_P(InitialCookbookAsDataPacketXml, MergesIntoTheSameContentAndSurvivesWritingBack) {
    const QByteArray binary = GetParam().bytesWithLength().sliced(4);
    const Packet merged = readPacket(binary);
    const QByteArray xml = test_support::dataPacketXmlFromRaw(readRawBinaryPacket(binary));

    const Packet packet = readPacket(xml);
    EXPECT_EQ(packet.rows.size(), GetParam().currentRows);
    EXPECT_EQ(packet.fields, merged.fields);
    EXPECT_EQ(packet.rows, merged.rows);

    EXPECT_TRUE(piecesAgreeWithTheWholeReader(xml)) << "code page, change log and all";

    const QByteArray written = writeXmlPacket(packet);
    EXPECT_TRUE(piecesAgreeWithTheWholeReader(written));
    EXPECT_TRUE(written.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET "
                                   "Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"ID\""));
    EXPECT_FALSE(written.contains("RowState")) << "current rows only";
    EXPECT_FALSE(written.contains("CHANGE_LOG"));
    EXPECT_EQ(readPacket(written), packet);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, InitialCookbookAsDataPacketXml,
    ::testing::Values(CarriedPacket{"Categories", initialCategoriesPacketWithLength, 16},
                      CarriedPacket{"Recipes", initialRecipesPacketWithLength, 125}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Tables on files of this layout ----------------------------------------------

class TableOnDataPacketXml : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void reload(Table& table) {
        table.setFiltered(false);
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(QStringLiteral("categories.xml"));
        table.open();
    }

    QString path() const { return folder.filePath(QStringLiteral("categories.xml")); }

    QTemporaryDir folder;
};

const QByteArray categoriesInCodePage =
    "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
    categoryFieldsXml +
    "</FIELDS><PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/></METADATA><ROWDATA>"
    "<ROW RowState=\"4\" ID=\"1\" SubID=\"0\" Category=\"Entr\xE9\x65s\"/>"
    "<ROW RowState=\"4\" ID=\"2\" SubID=\"0\" Category=\"Soups\"/></ROWDATA></DATAPACKET>\r\n";

TEST_F(TableOnDataPacketXml, ChangedTableIsWrittenBackInTheLayoutAndUnchangedOneLeftAlone) {
    testing::writeWholeFile(path(), categoriesInCodePage);
    Table table(testing::categoriesDefinition({}));
    reload(table);
    EXPECT_EQ(testing::walk(table, "Category"), QStringList({"Entrées", "Soups"}));
    reload(table);
    EXPECT_EQ(testing::fileContents(path()), categoriesInCodePage) << "unchanged, not rewritten";

    table.insertRecord({3, 0, QStringLiteral("Crème ½ & “more”")});
    reload(table);
    EXPECT_EQ(testing::fileContents(path()).toStdString(),
              "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET Version=\"2.0\">"
              "<METADATA><FIELDS>" +
                  categoryFieldsXml.toStdString() +
                  "</FIELDS><PARAMS/></METADATA><ROWDATA>"
                  "<ROW ID=\"1\" SubID=\"0\" Category=\"Entr\xE9\x65s\"/>"
                  "<ROW ID=\"2\" SubID=\"0\" Category=\"Soups\"/>"
                  "<ROW ID=\"3\" SubID=\"0\" Category=\"Cr\xE8me \xBD &amp; \x93more\x94\"/>"
                  "</ROWDATA></DATAPACKET>\r\n");
    EXPECT_EQ(testing::walk(table, "Category"),
              QStringList({"Crème ½ & “more”", "Entrées", "Soups"}));

    // Reopened on the records kept with the file just written: the layout
    // stays with them.
    table.first();
    table.deleteRecord();
    reload(table);
    EXPECT_TRUE(testing::fileContents(path()).startsWith("<?xml version=\"1.0\" standalone"));
    EXPECT_EQ(testing::walk(table, "Category"), QStringList({"Entrées", "Soups"}));
}

TEST_F(TableOnDataPacketXml, DamagedFileLeavesTheTableClosedAndTheFileAlone) {
    QByteArray damagedFile = categoriesInCodePage;
    damagedFile.replace("ID=\"2\"", "ID=\"two\"");
    testing::writeWholeFile(path(), damagedFile);
    Table table(testing::categoriesDefinition({}));
    EXPECT_EQ(messageOf([&] { reload(table); }),
              "dataSetCategories: The data packet is damaged: row 2 holds \"two\" in the integer "
              "field \"ID\".");
    EXPECT_FALSE(table.isOpen());
    table.close();
    EXPECT_EQ(testing::fileContents(path()), damagedFile);
}

} // namespace
} // namespace savrona
