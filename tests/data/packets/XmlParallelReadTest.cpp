// The XML reader in pieces against the reader of the whole document: for
// every document, the same packet or nothing (then the whole reader gives
// the message). The cut is forced at small sizes, down to a chunk per row.
#include "data/Error.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/PacketSamples.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlBytes.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace savrona {
namespace {

using test_support::recipeFields;
using test_support::text;

// A packet or the message of the error.
using Outcome = std::variant<Packet, QString>;

Outcome outcomeOf(Packet (*read)(QByteArrayView), QByteArrayView document) {
    try {
        return read(document);
    } catch (const Error& error) {
        return error.message();
    }
}

// What readXmlPacket does with the given settings instead of the default ones.
Outcome outcomeInPieces(QByteArrayView document, const XmlPiecesSettings& settings) {
    if (std::optional<Packet> packet = readXmlPacketInPieces(document, settings))
        return std::move(*packet);
    return outcomeOf(readXmlPacketOnOneThread, document);
}

// Pieces and chunk sizes: a row a chunk, a few rows a chunk, a piece a chunk.
std::vector<XmlPiecesSettings> forcedSettings() {
    std::vector<XmlPiecesSettings> settings;
    for (const int pieces : {2, 3, 4}) {
        for (const qsizetype chunkSize : {1, 100, 1 << 20})
            settings.push_back({pieces, 0, chunkSize});
    }
    return settings;
}

std::string describe(const XmlPiecesSettings& settings) {
    return std::to_string(settings.pieceCount) + " pieces, chunks of " +
           std::to_string(settings.chunkSize);
}

QByteArray packetXml(const char* rows) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<savrona-data version=\"1\">"
                      "<fields><field name=\"ID\" type=\"integer\"/>"
                      "<field name=\"Name\" type=\"text\" width=\"20\"/></fields>\n<rows>\n") +
           rows + "\n</rows>\n</savrona-data>\n";
}

// ---- Packets as Savrona writes them: read in pieces ----------------------

struct WrittenPacket {
    std::string name;
    Packet packet;
};

void PrintTo(const WrittenPacket& written, std::ostream* out) {
    *out << written.name;
}

Row recipe(std::int32_t id, Value title, Value ingredients, Value preparation) {
    return {Value::integer(id),
            Value::integer(id % 7 - 3),
            std::move(title),
            std::move(ingredients),
            std::move(preparation),
            {},
            text(""),
            {}};
}

// Rows of every kind of value in turn: nulls, empty texts, the eN form,
// markup and references, line breaks, other scripts, long texts.
Packet variedRecipes(int count) {
    const std::vector<Value> texts = {
        {},
        text(""),
        text("bell\x07, escape\x1B, backslash \\ and \\u0041"),
        text("<row f1=\"1\"/> & &amp; &lt; \"quoted\" 'single' &#13;"),
        text("line\r\nbreaks\rand\ttabs\n"),
        text("lines\r\n<row f1=\"1\"/> & ]]>\r\n"),
        text("Crème brûlée ½ 寿司 🍣 Ελληνικά"),
        Value::text(QByteArray(20000, 'x') + "<row "),
        text("\xEF\xBF\xBE and \xEF\xBF\xBF"),
    };
    Packet packet{recipeFields(), {}};
    for (int index = 0; index < count; ++index) {
        const std::size_t first = std::size_t(index) % texts.size();
        packet.rows.push_back(recipe(index - count / 2, texts[first],
                                     texts[(first + 3) % texts.size()],
                                     texts[(first + 5) % texts.size()]));
    }
    return packet;
}

std::vector<WrittenPacket> writtenPackets() {
    std::vector<WrittenPacket> packets;
    for (test_support::PacketSample& sample : test_support::packetSamples())
        packets.push_back({sample.name, std::move(sample.packet)});
    packets.push_back({"NoRows", {recipeFields(), {}}});
    packets.push_back({"OneRowFewerThanPieces", variedRecipes(1)});
    packets.push_back({"ThreeRows", variedRecipes(3)});
    packets.push_back({"ManyVariedRows", variedRecipes(61)});
    return packets;
}

class WrittenPacketInPieces : public ::testing::TestWithParam<WrittenPacket> {};

TEST_P(WrittenPacketInPieces, IsReadInPiecesAsTheWholeReaderReadsIt) {
    const QByteArray document = writeXmlPacket(GetParam().packet);
    const Packet whole = readXmlPacketOnOneThread(document);
    ASSERT_EQ(whole, GetParam().packet);
    for (const XmlPiecesSettings& settings : forcedSettings()) {
        SCOPED_TRACE(describe(settings));
        const std::optional<Packet> inPieces = readXmlPacketInPieces(document, settings);
        ASSERT_TRUE(inPieces.has_value()) << "declined a packet as Savrona writes it";
        EXPECT_EQ(*inPieces, whole);
    }
}

INSTANTIATE_TEST_SUITE_P(Packets, WrittenPacketInPieces, ::testing::ValuesIn(writtenPackets()),
                         [](const auto& info) { return info.param.name; });

// ---- Unusual and broken documents: the same outcome ----------------------

struct UnusualDocument {
    std::string name;
    QByteArray xml;
};

void PrintTo(const UnusualDocument& document, std::ostream* out) {
    *out << document.name;
}

class UnusualDocumentInPieces : public ::testing::TestWithParam<UnusualDocument> {};

TEST_P(UnusualDocumentInPieces, GivesWhatTheWholeReaderGives) {
    const QByteArray& document = GetParam().xml;
    const Outcome whole = outcomeOf(readXmlPacketOnOneThread, document);
    for (const XmlPiecesSettings& settings : forcedSettings()) {
        SCOPED_TRACE(describe(settings));
        const std::optional<Packet> inPieces = readXmlPacketInPieces(document, settings);
        if (inPieces) {
            ASSERT_TRUE(std::holds_alternative<Packet>(whole))
                << "read in pieces what the whole reader refuses: "
                << std::get<QString>(whole).toStdString();
            EXPECT_EQ(*inPieces, std::get<Packet>(whole));
        }
        EXPECT_EQ(outcomeInPieces(document, settings), whole);
    }
}

// Many rows, so that the pieces hold several each, with one row replaced.
QByteArray rowsWith(int replacedRow, const char* replacement, int rowCount = 12) {
    QByteArray rows;
    for (int row = 1; row <= rowCount; ++row) {
        rows += row == replacedRow
                    ? QByteArray(replacement)
                    : "    <row f1=\"" + QByteArray::number(row) + "\" f2=\"name &amp; &#233; " +
                          QByteArray::number(row) + "\"/>";
        rows += '\n';
    }
    return rows;
}

QByteArray packetWithRow(int replacedRow, const char* replacement) {
    return packetXml(rowsWith(replacedRow, replacement).constData());
}

INSTANTIATE_TEST_SUITE_P(
    Readable, UnusualDocumentInPieces,
    ::testing::Values(
        UnusualDocument{"NoWhiteSpace", R"(<savrona-data version="1"><fields><field name="ID" )"
                                        R"(type="integer"/></fields><rows><row f1="1"/><row )"
                                        R"(f1="2"></row><row/></rows></savrona-data>)"},
        UnusualDocument{"ByteOrderMarkAndCrLf",
                        "\xEF\xBB\xBF \r\n" + packetXml(rowsWith(0, "").replace("\n", "\r\n"))},
        UnusualDocument{"SingleQuotesAndSpacesInTags",
                        packetWithRow(7, "<row\n  f2 = '<row a\"b' \t f1='7'  />")},
        UnusualDocument{"RowTagTextInsideValues",
                        packetWithRow(4, R"(<row f2="x <row f1=&quot;2&quot;/> y <row"/>)")},
        UnusualDocument{"CommentBetweenRows", packetWithRow(6, "<!-- <row f1=\"99\"/> -->")},
        UnusualDocument{"CommentInTheOutline",
                        "<!-- <rows> -->" + packetWithRow(0, "") + "<!-- </rows> -->"},
        UnusualDocument{"ProcessingInstructionBetweenRows", packetWithRow(3, "<?cook <row/> ?>")},
        UnusualDocument{"DocumentTypeNamingRows",
                        QByteArray("<!DOCTYPE savrona-data [<!ENTITY r \"<rows>\">]>") +
                            packetWithRow(0, "")},
        UnusualDocument{"RowsTagInAFieldName",
                        R"(<savrona-data version="1"><fields><field name="&lt;rows>" )"
                        R"(type="memo"/><field name="<rows>x" type="memo"/></fields><rows>)"
                        R"(<row f1="</rows>"/></rows></savrona-data>)"},
        UnusualDocument{"RowsWithAnAttribute",
                        packetWithRow(0, "").replace("<rows>", "<rows kind=\"x\">")},
        UnusualDocument{
            "EmptyRowsElement",
            packetWithRow(0, "").replace("<rows>", "<rows/><!--").replace("</rows>", "-->")},
        UnusualDocument{"RowsLikeTagsThatAreNot",
                        packetWithRow(2, "<rowx/>").replace("<rowx/>", "<row/><rowing/>")}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Broken, UnusualDocumentInPieces,
    ::testing::Values(
        UnusualDocument{"DocumentTypeBetweenRows", packetWithRow(6, "<!DOCTYPE x>")},
        UnusualDocument{"DeclarationBetweenRows",
                        packetWithRow(6, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>")},
        UnusualDocument{"TextBetweenRows", packetWithRow(9, "soup")},
        UnusualDocument{"CdataBetweenRows", packetWithRow(8, "<![CDATA[ <row/> ]]>")},
        UnusualDocument{"RowWithChildrenAndText",
                        packetWithRow(5, "<row f1=\"5\"><row f1=\"9\"/>text<x/></row>")},
        UnusualDocument{"LinesInVersionOne", packetWithRow(5, "<row f1=\"5\"><l2>a\nb</l2></row>")},
        UnusualDocument{"OtherElementBetweenRows", packetWithRow(9, "<rowx f1=\"1\"/>")},
        UnusualDocument{"UnterminatedAttributeInSecondPiece",
                        packetWithRow(5, "<row f1=\"5\" f2=\"open/>")},
        UnusualDocument{"UnterminatedAttributeInLastRow",
                        packetWithRow(12, "<row f1=\"12\" f2=\"open/>")},
        UnusualDocument{"UnclosedRow", packetWithRow(10, "<row f1=\"10\">")},
        UnusualDocument{"StrayEndTag", packetWithRow(10, "</row>")},
        UnusualDocument{"BadIntegerInALaterPiece", packetWithRow(11, "<row f1=\"1x\"/>")},
        UnusualDocument{"BadIntegerInTheFirstPiece", packetWithRow(2, "<row f1=\"\"/>")},
        UnusualDocument{"BadIntegersInTwoPieces",
                        packetWithRow(3, "<row f1=\"x\"/>").replace("f1=\"10\"", "f1=\"y\"")},
        UnusualDocument{"UnknownAttribute", packetWithRow(8, "<row f1=\"8\" g2=\"x\"/>")},
        UnusualDocument{"FieldPastTheLast", packetWithRow(7, "<row f3=\"x\"/>")},
        UnusualDocument{"FieldGivenTwice", packetWithRow(9, "<row f2=\"a\" e2=\"b\"/>")},
        UnusualDocument{"TextNotUtf8", packetWithRow(10, "<row f2=\"caf\xE9\"/>")},
        UnusualDocument{"SurrogateReference", packetWithRow(10, "<row f2=\"&#xD800;\"/>")},
        UnusualDocument{"BrokenEscape", packetWithRow(11, "<row e2=\"\\q\"/>")},
        UnusualDocument{"ByteOrderMarkOpeningTheRows",
                        packetWithRow(0, "").replace("<rows>\n", "<rows>\xEF\xBB\xBF")},
        UnusualDocument{"NulBetweenRows",
                        packetWithRow(6, "").replace("\n\n", QByteArray("\n\0\n", 3))},
        UnusualDocument{"NulInAValue", packetWithRow(0, "").replace("name &amp; &#233; 6",
                                                                    QByteArray("na\0me", 5))},
        UnusualDocument{"UnclosedRows", packetWithRow(0, "").replace("</rows>", "")},
        UnusualDocument{"RowsClosedEarly", packetWithRow(6, "</rows>")},
        UnusualDocument{"SecondRowsElement", packetWithRow(6, "</rows><rows>")},
        UnusualDocument{"GarbageAfterTheRoot", packetWithRow(0, "") + "trailing <garbage"},
        UnusualDocument{"SecondRoot", packetWithRow(0, "") + "<savrona-data version=\"1\"/>"},
        UnusualDocument{"TextAfterRows", packetWithRow(0, "").replace("</rows>", "</rows>soup")},
        UnusualDocument{"OtherEncoding",
                        packetWithRow(3, "<row f1=\"x\"/>").replace("UTF-8", "ISO-8859-1")},
        UnusualDocument{
            "NoFieldsButRows",
            packetWithRow(0, "").replace("<fields>", "<fieldz>").replace("</fields>", "</fieldz>")},
        UnusualDocument{"DamagedFieldAndDamagedRow",
                        packetWithRow(4, "<row f1=\"x\"/>").replace("type=\"text\"", "type=\"t\"")},
        UnusualDocument{"RowsEndTagMisspelt", packetWithRow(0, "").replace("</rows>", "</rowsx>")}),
    [](const auto& info) { return info.param.name; });

// ---- Through the public reader, at the default sizes ---------------------

TEST(XmlPacketReadInPieces, LargePacketIsReadInPiecesByDefault) {
    Packet packet = variedRecipes(1400); // over 8 MiB of rows
    const QByteArray document = writeXmlPacket(packet);
    ASSERT_GE(document.size(), 8 * 1024 * 1024);
    EXPECT_TRUE(readXmlPacketInPieces(document, {2, 8 * 1024 * 1024, 4 * 1024 * 1024}));
    EXPECT_EQ(readXmlPacket(document), packet);
    EXPECT_EQ(readPacketInPlace(QByteArray(document)), packet);
}

TEST(XmlPacketReadInPieces, LargeDamagedPacketGivesTheWholeDocumentsMessage) {
    QByteArray document = writeXmlPacket(variedRecipes(1200));
    const qsizetype lateRow = document.lastIndexOf("<row f1=\"");
    document.insert(lateRow + int(sizeof("<row f1=\"") - 1), 'x');
    const QString message = std::get<QString>(outcomeOf(readXmlPacketOnOneThread, document));
    EXPECT_EQ(message.toStdString(),
              "The data packet is damaged: row 1200 holds \"x599\" in the integer field \"ID\".");
    EXPECT_EQ(std::get<QString>(outcomeOf(readXmlPacket, document)), message);
}

// ---- Cutting the bytes ---------------------------------------------------

struct RowTagCase {
    const char* bytes;
    qsizetype from;
    qsizetype expected;
};

class NextRowTagStart : public ::testing::TestWithParam<RowTagCase> {};

TEST_P(NextRowTagStart, FindsOnlyRowTags) {
    const QByteArrayView bytes(GetParam().bytes);
    EXPECT_EQ(xml_bytes::nextTagStart(bytes, "<row", GetParam().from, bytes.size()),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NextRowTagStart,
                         ::testing::Values(RowTagCase{"<row/>", 0, 0}, RowTagCase{"<row/>", 1, 6},
                                           RowTagCase{"<row>", 0, 0}, RowTagCase{"x<row\tf1", 0, 1},
                                           RowTagCase{"<rows><rowx/><row\n", 0, 13},
                                           RowTagCase{"<row", 0, 4}, RowTagCase{"", 0, 0}));

TEST(XmlBytes, TellsPlainMarkupFromWhatMustBeDeclined) {
    using xml_bytes::parsesAsInsideAnElement;
    EXPECT_TRUE(parsesAsInsideAnElement("<row f1=\"a > b\"/>\n<row/>text"));
    EXPECT_TRUE(parsesAsInsideAnElement(""));
    EXPECT_TRUE(parsesAsInsideAnElement("a <"));
    EXPECT_FALSE(parsesAsInsideAnElement("<row/><!-- -->"));
    EXPECT_FALSE(parsesAsInsideAnElement("<![CDATA[x]]>"));
    EXPECT_FALSE(parsesAsInsideAnElement("<row/><?pi?>"));
    EXPECT_FALSE(parsesAsInsideAnElement(QByteArrayView("<row/>\0", 7)));
    EXPECT_FALSE(parsesAsInsideAnElement("\xEF\xBB\xBF<row/>"));
    EXPECT_TRUE(parsesAsInsideAnElement(" \xEF\xBB\xBF<row/>"));
}

TEST(XmlBytes, FindsTheRowsContentBetweenFirstStartAndLastEndTag) {
    const auto rowsContent = [](QByteArrayView document) {
        return xml_bytes::findElementContent(document, "<rows>", "</rows");
    };
    const QByteArrayView document = "<a><rows> <row/> </rows></rows></a>";
    const std::optional<xml_bytes::ElementContent> content = rowsContent(document);
    ASSERT_TRUE(content);
    EXPECT_EQ(document.sliced(content->begin, content->size()), " <row/> </rows>");
    EXPECT_FALSE(rowsContent("<rows/>"));
    EXPECT_FALSE(rowsContent("</rows><rows>"));
}

} // namespace
} // namespace savrona
