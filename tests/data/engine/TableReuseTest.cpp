// A table reopened on the rows it last wrote or read must show exactly what a
// plain reading of its file shows, and a file changed behind its back must be
// read again.
#include "data/TableTestSupport.h"

#include "data/files/DataFile.h"
#include "data/packets/PacketFormats.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Awkward rows: ties in the index field, nulls, line breaks, characters XML
// cannot hold, texts beyond ASCII.
std::vector<Row> awkwardRecipes() {
    std::vector<Row> rows{recipeRow(3, 1, "Pie"), recipeRow(1, 2, "Crème brûlée ½ cup"),
                          recipeRow(2, 1, "pie"), recipeRow(4, 1, "Pie")};
    rows[1][1] = Value();
    rows[2][3] = Value();
    rows[2][6] = Value::text(QStringLiteral("Bake at 180°\r\n\tServe \"warm\" & <soon>"));
    rows[3][4] = Value::text(QByteArray("bell\x07 and \\u0007 and \xEF\xBF\xBE"));
    return rows;
}

// Every field of every record, in walking order.
std::vector<Row> contentsOf(Table& table) {
    std::vector<Row> rows;
    table.first();
    while (!table.eof()) {
        Row row;
        for (const FieldDefinition& field : table.fields())
            row.push_back(table.fieldByName(field.name));
        rows.push_back(std::move(row));
        table.next();
    }
    return rows;
}

class TableReuse : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString fileName() const { return QString::fromLatin1(GetParam()); }
    QString path() const { return folder.filePath(fileName()); }

    void reload(Table& table) {
        table.setFiltered(false);
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(fileName());
        table.open();
    }

    // What a table that never saw the file before reads from it.
    std::vector<Row> plainReading() {
        Table fresh(recipesDefinition({}));
        reload(fresh);
        return contentsOf(fresh);
    }

    // A table whose file was just written from changed rows, and reopened.
    void openAfterWriting(Table& table) {
        reload(table); // the file is missing: opens on the packet, changed
        table.insertRecord(
            {Value::integer(9), Value::integer(1), Value::text(QStringLiteral("Apple Tart"))});
        reload(table); // writes the file and reopens
    }

    QTemporaryDir folder;
};

TEST_P(TableReuse, ReopeningAfterAWriteShowsWhatAPlainReadingShows) {
    Table table(recipesDefinition(awkwardRecipes()));
    openAfterWriting(table);
    EXPECT_FALSE(table.isChanged());
    EXPECT_EQ(contentsOf(table).size(), 5u);
    EXPECT_EQ(contentsOf(table), plainReading());
}

TEST_P(TableReuse, ReopeningUnchangedShowsWhatAPlainReadingShowsAndDoesNotWrite) {
    Table table(recipesDefinition(awkwardRecipes()));
    openAfterWriting(table);
    const QByteArray written = fileContents(path());
    const auto identity = identityOfFile(path());
    for (int round = 0; round < 3; ++round) {
        reload(table);
        EXPECT_FALSE(table.isChanged());
        EXPECT_EQ(contentsOf(table), plainReading());
    }
    EXPECT_EQ(fileContents(path()), written);
    EXPECT_EQ(identityOfFile(path()), identity) << "an unchanged table never rewrites its file";
}

TEST_P(TableReuse, ReusedRowsKeepTheirFilterAndTakeEditsLikeReadRows) {
    Table table(recipesDefinition(awkwardRecipes()));
    openAfterWriting(table);
    table.setFilter(QStringLiteral("CategoryID = 1"));
    table.setFiltered(true);
    reload(table);
    table.setFiltered(true);
    EXPECT_EQ(walkFromFirst(table, "Title"), QStringList({"Apple Tart", "Pie", "Pie", "pie"}));
    table.first();
    table.deleteRecord();
    reload(table);
    EXPECT_EQ(contentsOf(table), plainReading());
    EXPECT_EQ(table.recordCount(), 4);
}

// A change to the file that our own fingerprint must notice.
struct ChangeBehindOurBack {
    const char* name;
    void (*change)(const QString& path);
    const char* firstTitle; // expected after the next opening
};

void sameSizeSameTimeOtherBytes(const QString& path) {
    const QDateTime modified = QFileInfo(path).lastModified();
    QByteArray bytes = fileContents(path);
    const qsizetype at = bytes.indexOf("Apple Tart");
    ASSERT_GE(at, 0);
    bytes[at] = 'B'; // "Bpple Tart": the same size, the same file
    writeWholeFile(path, bytes);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

void replacedByAnotherFile(const QString& path) {
    const QString other = path + QStringLiteral(".other");
    QByteArray bytes = fileContents(path);
    bytes.replace("Apple Tart", "Cider Cake");
    writeWholeFile(other, bytes);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(other, path));
}

void touched(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
}

void rewrittenInPlaceWithOtherRows(const QString& path) {
    const bool xml = path.endsWith(QStringLiteral(".xml"));
    const Packet packet{recipeFields(), {recipeRow(7, 1, "Damson Jam")}};
    writeWholeFile(path, xml ? writeXmlPacket(packet) : writeBinaryPacket(packet));
}

const ChangeBehindOurBack changes[] = {
    {"SameSizeSameTimeOtherBytes", sameSizeSameTimeOtherBytes, "Bpple Tart"},
    {"ReplacedByAnotherFile", replacedByAnotherFile, "Cider Cake"},
    {"TouchedOnly", touched, "Apple Tart"},
    {"RewrittenInPlaceWithOtherRows", rewrittenInPlaceWithOtherRows, "Damson Jam"},
};

class TableFileChangedAfterWrite
    : public ::testing::TestWithParam<std::tuple<const char*, ChangeBehindOurBack>> {};

TEST_P(TableFileChangedAfterWrite, IsReadAgainAfterAWriteAndAfterAnUnchangedOpening) {
    const auto& [form, change] = GetParam();
    for (const bool unchangedOpeningFirst : {false, true}) {
        QTemporaryDir scratch;
        Table table(recipesDefinition(awkwardRecipes()));
        const QString name = QString::fromLatin1(form);
        const auto reloadHere = [&] {
            table.setFiltered(false);
            table.close();
            table.setDataDirectory(scratch.path());
            table.setFileName(name);
            table.open();
        };
        reloadHere();
        table.insertRecord(
            {Value::integer(9), Value::integer(1), Value::text(QStringLiteral("Apple Tart"))});
        reloadHere(); // written and reopened
        if (unchangedOpeningFirst)
            reloadHere();
        table.close();
        change.change(QDir(scratch.path()).filePath(name));
        table.open();
        EXPECT_EQ(walkFromFirst(table, "Title").constFirst(), QString::fromUtf8(change.firstTitle))
            << (unchangedOpeningFirst ? "after an unchanged opening" : "after a write");
        EXPECT_FALSE(table.isChanged());
    }
}

TEST_P(TableReuse, DamagedBehindOurBackIsReportedAndTheTableStaysClosed) {
    Table table(recipesDefinition(awkwardRecipes()));
    openAfterWriting(table);
    table.close();
    writeWholeFile(path(), "<savrona-data");
    EXPECT_FALSE(messageOf([&] { table.open(); }).isEmpty());
    EXPECT_FALSE(table.isOpen());
    EXPECT_EQ(fileContents(path()), QByteArray("<savrona-data"));
}

TEST_P(TableReuse, RowsKeptAfterAnUnchangedOpeningNeverStandInForAMissingFile) {
    Table table(recipesDefinition(awkwardRecipes()));
    openAfterWriting(table);
    reload(table);
    table.close();
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_EQ(messageOf([&] { table.open(); }),
              "dataSetRecipes: Missing data provider or data packet");
}

INSTANTIATE_TEST_SUITE_P(Forms, TableReuse, ::testing::Values("recipes.xml", "recipes.dat"),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param).replace('.', '_').toStdString();
                         });

INSTANTIATE_TEST_SUITE_P(
    Changes, TableFileChangedAfterWrite,
    ::testing::Combine(::testing::Values("recipes.xml", "recipes.dat"),
                       ::testing::ValuesIn(changes)),
    [](const auto& info) {
        return QString::fromLatin1(std::get<0>(info.param)).replace('.', '_').toStdString() + "_" +
               std::get<1>(info.param).name;
    });

// The content hash, slice by slice, equals the hash of the whole.
class ContentHash : public ::testing::TestWithParam<qsizetype> {};

TEST_P(ContentHash, FingerprintOfAFileMatchesTheHashOfItsBytes) {
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("data.bin"));
    QByteArray bytes(GetParam(), Qt::Uninitialized);
    for (qsizetype index = 0; index < bytes.size(); ++index)
        bytes[index] = char(index * 7 + index / 251);
    writeWholeFile(path, bytes);
    const auto fingerprint = fingerprintDataFile(path, QStringLiteral("data.bin"));
    ASSERT_TRUE(fingerprint.has_value());
    EXPECT_EQ(fingerprint->contentHash, hashOfContent(bytes));
    EXPECT_EQ(fingerprint->identity, identityOfFile(path));
    bytes[bytes.size() - 1] = char(bytes.back() ^ 1);
    EXPECT_NE(hashOfContent(bytes), fingerprint->contentHash);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ContentHash,
                         ::testing::Values(1, 1000, qsizetype(1) << 20, (qsizetype(1) << 20) + 1,
                                           3 * (qsizetype(1) << 20) - 5));

} // namespace
