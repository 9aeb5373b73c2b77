// What keeps a table from losing records: a failed write waits to be written,
// a file another program changed is never replaced, the files are found in a
// folder of any name, and a hostile file is refused before it takes the memory.
#include "data/TableTestSupport.h"

#include "data/files/DataFolder.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

class TableSafety : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString path(const QString& name = QStringLiteral("recipes.xml")) const {
        return folder.filePath(name);
    }

    // A recipes table open on its file, as after a rebuild.
    std::unique_ptr<Table> tableOnFile(std::vector<Row> rows) {
        writeWholeFile(path(), writeXmlPacket(Packet{recipeFields(), std::move(rows)}));
        auto table = std::make_unique<Table>(recipesDefinition({}));
        table->close();
        table->setDataDirectory(folder.path());
        table->setFileName(QStringLiteral("recipes.xml"));
        table->open();
        return table;
    }

    QStringList titlesInFile(const QString& name) const {
        QStringList titles;
        for (const Row& row : readPacket(fileContents(path(name))).rows)
            titles << row[2].toQString();
        return titles;
    }

    // A rebuild's reload, and what became of its write behind once it ended.
    static std::optional<WriteError> reloadAndWaitForTheWrite(Table& table) {
        std::optional<WriteError> problem = table.reload("recipes.xml");
        table.waitForWrites();
        if (auto ofThisWrite = table.takeWriteFailure())
            problem = std::move(ofThisWrite);
        return problem;
    }

    QTemporaryDir folder;
};

TEST_F(TableSafety, FailedWriteWaitsAndIsWrittenByTheNextTry) {
    auto table = tableOnFile({recipeRow(1, 1, "Kept")});
    table->insertRecord({2, 1, "Added"});
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir(folder.path()).mkdir("recipes.xml")); // nothing can be renamed onto it

    // The rebuild's reload goes on with the data it could not write.
    const std::optional<WriteError> problem = reloadAndWaitForTheWrite(*table);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->kind(), WriteError::Kind::Failed);
    EXPECT_EQ(problem->message(), "Cannot create file recipes.xml");
    EXPECT_EQ(walkFromFirst(*table, "Title"), QStringList({"Added", "Kept"}));
    EXPECT_TRUE(table->hasUnwrittenChanges());

    // The exit's close fails too, and its retry writes once the way is clear.
    EXPECT_THROW(table->close(), WriteError);
    EXPECT_TRUE(table->hasUnwrittenChanges());
    ASSERT_TRUE(QDir(folder.path()).rmdir("recipes.xml"));
    table->writeUnwrittenChanges();
    EXPECT_FALSE(table->hasUnwrittenChanges());
    EXPECT_EQ(titlesInFile("recipes.xml"), QStringList({"Kept", "Added"}));
}

TEST_F(TableSafety, FileChangedByAnotherProgramIsLeftAndTheDataGoesBesideIt) {
    auto table = tableOnFile({recipeRow(1, 1, "Read at the start")});
    const QByteArray theirs =
        writeXmlPacket(Packet{recipeFields(), {recipeRow(1, 1, "Written by the other")}});
    writeWholeFile(path(), theirs);
    table->insertRecord({2, 1, "Added here"});

    const std::optional<WriteError> problem = reloadAndWaitForTheWrite(*table);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->kind(), WriteError::Kind::Conflict);
    // The conflict is known once the write behind has ended: the next
    // opening reads the file.
    EXPECT_FALSE(table->reload("recipes.xml").has_value());
    EXPECT_EQ(fileContents(path()), theirs);
    const QStringList copies =
        QDir(folder.path()).entryList({QStringLiteral("recipes (conflict *).xml")});
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(problem->message().contains(copies[0])) << problem->message().toStdString();
    EXPECT_TRUE(problem->message().startsWith("recipes.xml was changed by another program"));
    EXPECT_EQ(titlesInFile(copies[0]), QStringList({"Read at the start", "Added here"}));
    // The table goes on with the file as the other program wrote it.
    EXPECT_EQ(walkFromFirst(*table, "Title"), QStringList({"Written by the other"}));
    EXPECT_FALSE(table->hasUnwrittenChanges());

    // The same bytes written again (a copy, a backup tool) are no change.
    writeWholeFile(path(), fileContents(path()));
    table->insertRecord({3, 1, "Second"});
    EXPECT_FALSE(reloadAndWaitForTheWrite(*table).has_value());
    EXPECT_EQ(titlesInFile("recipes.xml"), QStringList({"Written by the other", "Second"}));
}

TEST_F(TableSafety, FilesAreFoundInAFolderWhoseNameIsNotUtf8) {
    const QByteArray odd = QFile::encodeName(folder.path()) + "/caf\xE9 \xFF";
    ASSERT_EQ(::mkdir(odd.constData(), 0755), 0);
    char previous[PATH_MAX] = {};
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    const auto restore = qScopeGuard([&] { EXPECT_EQ(::chdir(previous), 0); });
    // Inside the folder, its files are named without it.
    ASSERT_EQ(::chdir(odd.constData()), 0);
    writeWholeFile("recipes.xml",
                   writeXmlPacket(Packet{recipeFields(), {recipeRow(5, 1, "In the odd folder")}}));
    Table table(recipesDefinition({recipeRow(9, 9, "Initial")}));
    ASSERT_EQ(::chdir(previous), 0);

    table.close();
    table.setFileName("recipes.xml");
    table.open();
    EXPECT_EQ(walk(table, "Title"), QStringList({"In the odd folder"}));
    table.insertRecord({6, 1, "Saved there"});
    table.close();
    ASSERT_EQ(::chdir(odd.constData()), 0);
    EXPECT_EQ(readPacket(fileContents("recipes.xml")).rows.size(), 2u);
}

// ---- Hostile files ---------------------------------------------------------

struct HostileFile {
    const char* name;
    std::function<void(const QString& path)> make;
    QString message;
};

void PrintTo(const HostileFile& file, std::ostream* out) {
    *out << file.name;
}

// A sparse file: terabytes that take no room on the disk.
void extendTo(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(size));
}

constexpr qint64 fourTerabytes = qint64(4) << 40;

// Short names, so that thousands fit the binary form's 64 KB of descriptors.
std::vector<FieldDefinition> manyFields(int count) {
    std::vector<FieldDefinition> fields;
    for (int number = 1; number <= count; ++number)
        fields.push_back({QString::number(number, 36), FieldType::Integer, 0});
    return fields;
}

// rowCount rows of nulls, made from a packet of one row by repeating it.
QByteArray binaryRowsOfNulls(int fieldCount, std::uint32_t rowCount) {
    const std::vector<FieldDefinition> fields = manyFields(fieldCount);
    QByteArray bytes = writeBinaryPacket(Packet{fields, {Row(fields.size())}});
    const qsizetype rowSize = 1 + (2 * fieldCount + 7) / 8;
    const QByteArray row = bytes.right(rowSize);
    for (std::uint32_t copy = 1; copy < rowCount; ++copy)
        bytes += row;
    for (int byte = 0; byte < 4; ++byte)
        bytes[14 + byte] = char((rowCount >> (8 * byte)) & 0xFF);
    return bytes;
}

QByteArray xmlRowsOfNulls(int fieldCount, int rowCount) {
    const std::vector<FieldDefinition> fields = manyFields(fieldCount);
    QByteArray bytes = writeXmlPacket(Packet{fields, {Row(fields.size())}});
    const QByteArray row("<row/>");
    return bytes.replace(row, row.repeated(rowCount));
}

class HostileDataFile : public TableSafety, public ::testing::WithParamInterface<HostileFile> {};

TEST_P(HostileDataFile, IsRefusedBeforeItTakesTheMemory) {
    GetParam().make(path());
    Table table(recipesDefinition({}));
    table.close();
    table.setDataDirectory(folder.path());
    table.setFileName("recipes.xml");
    EXPECT_EQ(messageOf([&] { table.open(); }), GetParam().message);
    EXPECT_FALSE(table.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileDataFile,
    ::testing::Values(
        HostileFile{"TerabytesOfZeros", [](const QString& path) { extendTo(path, fourTerabytes); },
                    "dataSetRecipes: The data is neither a binary nor an XML data packet."},
        HostileFile{"TerabytesAfterAnOpeningTag",
                    [](const QString& path) {
                        writeWholeFile(path, "<savrona-data version=\"2\">");
                        extendTo(path, fourTerabytes);
                    },
                    "dataSetRecipes: There is not enough memory to read recipes.xml"},
        HostileFile{"BinaryRowsOfNulls",
                    [](const QString& path) { writeWholeFile(path, binaryRowsOfNulls(5000, 800)); },
                    QStringLiteral("dataSetRecipes: The data packet is damaged: its 800 rows of "
                                   "5000 fields are too many for a packet of %1 bytes.")
                        .arg(binaryRowsOfNulls(5000, 800).size())},
        HostileFile{"XmlRowsOfNulls",
                    [](const QString& path) { writeWholeFile(path, xmlRowsOfNulls(2000, 2000)); },
                    QStringLiteral("dataSetRecipes: The data packet is damaged: its 2000 rows of "
                                   "2000 fields are too many for a packet of %1 bytes.")
                        .arg(xmlRowsOfNulls(2000, 2000).size())}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
