// A large file's bytes are given back to the system as its rows are read.
// Whatever is given back, the result must be exactly that of the whole
// reader: the same rows, or the same message after reading the file again.
#include "data/TableTestSupport.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// The document with its last row's ID made a word.
QByteArray withLateBadNumber(QByteArray document) {
    const qsizetype lateRow = document.lastIndexOf("<row f1=\"");
    return document.insert(lateRow + qsizetype(sizeof("<row f1=\"") - 1), 'x');
}

// The document with a comment before its last row: unusual, but valid.
QByteArray withLateComment(QByteArray document) {
    return document.insert(document.lastIndexOf("<row f1=\""), "<!-- late -->");
}

struct LateChange {
    const char* name;
    QByteArray (*change)(QByteArray document);
};

void PrintTo(const LateChange& change, std::ostream* out) {
    *out << change.name;
}

const LateChange lateChanges[] = {{"BadNumber", withLateBadNumber}, {"Comment", withLateComment}};

class PiecesLettingGo : public ::testing::TestWithParam<LateChange> {};

TEST(PiecesLettingGoOfBytes, GiveTheWholeReadersRows) {
    const Packet packet = manyRecipes(600);
    for (const int pieces : {2, 3}) {
        QByteArray bytes = writeXmlPacket(packet);
        bool bytesLetGo = false;
        const auto read = readXmlPacketInPiecesLettingGo(bytes, {pieces, 0, 64 * 1024}, bytesLetGo);
        ASSERT_TRUE(read.has_value()) << pieces << " pieces";
        EXPECT_EQ(*read, packet);
    }
}

TEST_P(PiecesLettingGo, DeclineLateAndSaySoWhenBytesAreGone) {
    QByteArray bytes = GetParam().change(writeXmlPacket(manyRecipes(600)));
    bool bytesLetGo = false;
    EXPECT_FALSE(readXmlPacketInPiecesLettingGo(bytes, {2, 0, 64 * 1024}, bytesLetGo));
    EXPECT_TRUE(bytesLetGo) << "the early pages were parsed and given back";
}

INSTANTIATE_TEST_SUITE_P(Late, PiecesLettingGo, ::testing::ValuesIn(lateChanges),
                         [](const auto& info) { return std::string(info.param.name); });

// Through a table, at the default sizes: over 8 MiB of rows.
class LargeFileLettingGo : public ::testing::TestWithParam<LateChange> {
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
    const QByteArray document = GetParam().change(writeXmlPacket(manyRecipes(7000)));
    ASSERT_GE(document.size(), 8 * 1024 * 1024);
    writeWholeFile(path(), document);
    QString expected;
    std::vector<Row> expectedRows;
    try {
        expectedRows = readXmlPacketOnOneThread(document).rows;
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

INSTANTIATE_TEST_SUITE_P(Late, LargeFileLettingGo, ::testing::ValuesIn(lateChanges),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
