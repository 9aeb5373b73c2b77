// A large file's bytes are given back to the system as its rows are read.
// Whatever is given back, the result must be exactly that of the whole
// reader: the same rows, or the same message after reading the file again.
#include "data/TableTestSupport.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/packets/savrona-xml/XmlPacket.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace savrona;
using namespace savrona::testing;

namespace {

Value text(const QByteArray& bytes) {
    return Value::text(bytes);
}

// Rows of many sizes, so that chunks end at every offset in a page.
Packet manyRecipes(int count) {
    Packet packet{recipeFields(), {}};
    for (int index = 0; index < count; ++index) {
        Row row = recipeRow(index + 1, index % 9, QStringLiteral("Recipe %1").arg(index));
        row[3] = text(QByteArray(index % 3000, 'a') + "\r\nline & <more>\r\n");
        row[4] = index % 5 == 0 ? Value() : text("Bake.\r\n\tServe \"hot\".");
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

// The layout of the recipes of manyRecipes as the original engine keeps it,
// taken from an empty document.
DataPacketXmlLayout engineLayout() {
    const QByteArray empty =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"CategoryID\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"Title\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Ingredients\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
        "<FIELD attrname=\"Preparation\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
        "<FIELD attrname=\"servings\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Notes\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Picture\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>";
    return *readPacket(empty).dataPacketXmlLayout;
}

// Each XML layout: its documents, the start of a row with its ID, and its
// readers letting go of the bytes (nothing when they declined after that)
// and of the whole document.
struct XmlLayout {
    const char* name;
    QByteArray (*write)(int recipeCount);
    const char* rowIdStart;
    std::optional<Packet> (*readLettingGo)(QByteArray&&, const XmlPiecesSettings&);
    Packet (*readWhole)(QByteArrayView);
};

QByteArray ownLayoutRecipes(int recipeCount) {
    return writeXmlPacket(manyRecipes(recipeCount));
}

QByteArray engineLayoutRecipes(int recipeCount) {
    Packet packet = manyRecipes(recipeCount);
    packet.dataPacketXmlLayout = engineLayout();
    return writeXmlPacket(packet);
}

void PrintTo(const XmlLayout& layout, std::ostream* out) {
    *out << layout.name;
}

const XmlLayout layouts[] = {
    {"Own", ownLayoutRecipes, "<row f1=\"", readXmlPacketLettingGo, readXmlPacketOnOneThread},
    {"Engine", engineLayoutRecipes, "<ROW ID=\"", readDataPacketXmlLettingGo,
     readDataPacketXmlOnOneThread},
};

// The document with its last row's ID made a word.
QByteArray withLateBadNumber(QByteArray document, QByteArrayView rowIdStart) {
    const qsizetype lateRow = document.lastIndexOf(rowIdStart);
    return document.insert(lateRow + rowIdStart.size(), 'x');
}

// The document with a comment before its last row: unusual, but valid.
QByteArray withLateComment(QByteArray document, QByteArrayView rowIdStart) {
    return document.insert(document.lastIndexOf(rowIdStart), "<!-- late -->");
}

struct LateChange {
    const char* name;
    QByteArray (*change)(QByteArray document, QByteArrayView rowIdStart);
};

void PrintTo(const LateChange& change, std::ostream* out) {
    *out << change.name;
}

const LateChange lateChanges[] = {{"BadNumber", withLateBadNumber}, {"Comment", withLateComment}};

class PiecesLettingGoOfBytes : public ::testing::TestWithParam<XmlLayout> {};

TEST_P(PiecesLettingGoOfBytes, GiveTheWholeReadersRows) {
    const QByteArray document = GetParam().write(600);
    const Packet whole = GetParam().readWhole(document);
    for (const int pieces : {2, 3}) {
        const auto read = GetParam().readLettingGo(QByteArray(document), {pieces, 0, 64 * 1024});
        ASSERT_TRUE(read.has_value()) << pieces << " pieces";
        EXPECT_EQ(*read, whole);
    }
}

// Declined without letting go, the reader would read the whole document:
// a packet, or the message of the bad number.
TEST_P(PiecesLettingGoOfBytes, DeclineLateAndSaySoWhenBytesAreGone) {
    for (const LateChange& late : lateChanges) {
        QByteArray bytes = late.change(GetParam().write(600), GetParam().rowIdStart);
        EXPECT_FALSE(GetParam().readLettingGo(std::move(bytes), {2, 0, 64 * 1024}))
            << late.name << ": the early pages were parsed and given back";
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PiecesLettingGoOfBytes, ::testing::ValuesIn(layouts),
                         [](const auto& info) { return std::string(info.param.name); });

// Through a table, at the default sizes: over 8 MiB of rows.
class LargeFileLettingGo : public ::testing::TestWithParam<std::tuple<XmlLayout, LateChange>> {
protected:
    QString path() const { return folder.filePath(QStringLiteral("recipes.xml")); }

    void open(Table& table) {
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(QStringLiteral("recipes.xml"));
        table.open();
    }

    QTemporaryDir folder;
};

TEST_P(LargeFileLettingGo, OpensAsTheWholeReaderReadsIt) {
    const auto& [layout, late] = GetParam();
    const QByteArray document = late.change(layout.write(7000), layout.rowIdStart);
    ASSERT_GE(document.size(), 8 * 1024 * 1024);
    writeWholeFile(path(), document);
    QString expected;
    std::vector<Row> expectedRows;
    try {
        expectedRows = layout.readWhole(document).rows;
    } catch (const Error& error) {
        expected = QStringLiteral("dataSetRecipes: ") + error.message();
    }

    Table table(recipesDefinition({}));
    EXPECT_EQ(messageOf([&] { open(table); }), expected);
    if (expected.isEmpty()) {
        ASSERT_TRUE(table.isOpen());
        EXPECT_EQ(table.recordCount(), int(expectedRows.size()));
        EXPECT_FALSE(table.isChanged());
    } else {
        EXPECT_FALSE(table.isOpen());
    }
    EXPECT_EQ(fileContents(path()), document) << "reading never changes the file";
}

INSTANTIATE_TEST_SUITE_P(Late, LargeFileLettingGo,
                         ::testing::Combine(::testing::ValuesIn(layouts),
                                            ::testing::ValuesIn(lateChanges)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    std::get<1>(info.param).name;
                         });

} // namespace
