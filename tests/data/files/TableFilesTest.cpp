#include "data/TableTestSupport.h"

#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

std::vector<Row> sampleRecipes() {
    std::vector<Row> rows{recipeRow(3, 1, "Zucchini Bread"), recipeRow(1, 2, "Crème brûlée ½ cup"),
                          recipeRow(2, 1, "Grandma's Pie")};
    rows[1][1] = Value();
    rows[2][3] = Value();
    rows[2][6] = Value::text(QStringLiteral("Bake at 180°\r\nServe warm"));
    return rows;
}

// A recipes table as the program has it before its first rebuild: open on its
// packet, no file name.
class TableFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // Closes, names the file in the folder and opens, as a rebuild does.
    void reload(Table& table, const QString& fileName = QStringLiteral("recipes.xml")) {
        table.setFiltered(false);
        table.close();
        table.setDataDirectory(folder.path());
        table.setFileName(fileName);
        table.open();
    }

    QString path(const QString& fileName = QStringLiteral("recipes.xml")) const {
        return folder.filePath(fileName);
    }

    QTemporaryDir folder;
};

TEST_F(TableFiles, MissingFileOpensOnTheKeptPacketAndIsWrittenAtTheNextClose) {
    Table table(recipesDefinition(sampleRecipes()));
    reload(table);
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_TRUE(table.isChanged());
    EXPECT_FALSE(QFile::exists(path()));

    reload(table);
    ASSERT_TRUE(QFile::exists(path()));
    EXPECT_EQ(fileContents(path()), writeXmlPacket(Packet{recipeFields(), sampleRecipes()}));
    EXPECT_FALSE(table.isChanged()) << "opened from the file just written";
    EXPECT_EQ(walk(table, "Title"),
              QStringList({"Crème brûlée ½ cup", "Grandma's Pie", "Zucchini Bread"}));
}

TEST_F(TableFiles, ZeroByteFileCountsAsMissing) {
    writeWholeFile(path(), {});
    Table table(recipesDefinition(sampleRecipes()));
    reload(table);
    EXPECT_EQ(table.recordCount(), 3);
    table.close();
    EXPECT_EQ(readPacket(fileContents(path())).rows.size(), 3u);
}

TEST_F(TableFiles, ExistingFileWinsOverTheKeptPacketAndIsNotRewrittenUnchanged) {
    // A binary packet under an .xml name: rewriting would turn it into XML.
    const QByteArray binary =
        writeBinaryPacket(Packet{recipeFields(), {recipeRow(9, 9, "From the file")}});
    writeWholeFile(path(), binary);
    Table table(recipesDefinition(sampleRecipes()));
    reload(table);
    EXPECT_EQ(walk(table, "Title"), QStringList({"From the file"}));
    EXPECT_FALSE(table.isChanged());
    reload(table);
    EXPECT_EQ(fileContents(path()), binary);
}

TEST_F(TableFiles, KeptPacketServesOneOpening) {
    Table table(recipesDefinition(sampleRecipes()));
    reload(table);
    reload(table); // writes the file; the written packet is kept ...
    reload(table); // ... and let go by this opening, which reads the file
    table.close();
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_EQ(messageOf([&] { table.open(); }),
              "dataSetRecipes: Missing data provider or data packet");
    EXPECT_FALSE(table.isOpen());
}

TEST_F(TableFiles, FileThatCannotBeOpenedLeavesTheTableClosed) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("recipes.xml"));
    Table table(recipesDefinition(sampleRecipes()));
    EXPECT_EQ(messageOf([&] { reload(table); }), "Cannot open file recipes.xml");
    EXPECT_FALSE(table.isOpen());
    EXPECT_EQ(messageOf([&] { table.recordCount(); }),
              "dataSetRecipes: Cannot perform this operation on a closed dataset");
}

TEST_F(TableFiles, DamagedFileIsReportedWithTheTableNameAndNeverOverwritten) {
    const QByteArray damaged("<?xml version=\"1.0\"?><DATAPACKET><METADATA>");
    writeWholeFile(path(), damaged);
    Table table(recipesDefinition(sampleRecipes()));
    const QString message = messageOf([&] { reload(table); });
    EXPECT_TRUE(message.startsWith("dataSetRecipes: ")) << message.toStdString();
    EXPECT_GT(message.size(), QString("dataSetRecipes: ").size());
    EXPECT_FALSE(table.isOpen());

    table.close();
    EXPECT_FALSE(messageOf([&] { reload(table); }).isEmpty()) << "still damaged, still refused";
    EXPECT_EQ(fileContents(path()), damaged);

    writeWholeFile(path(), writeXmlPacket(Packet{recipeFields(), {recipeRow(1, 1, "Mended")}}));
    reload(table);
    EXPECT_EQ(walk(table, "Title"), QStringList({"Mended"}));
}

TEST_F(TableFiles, FailedWriteKeepsTheDataAndWritesItAtTheNextClose) {
    Table table(recipesDefinition(sampleRecipes()));
    table.close();
    table.setDataDirectory(folder.filePath("not-yet"));
    table.setFileName("recipes.xml");
    table.open();
    table.insertRecord({4, 1, "Added before the failure"});

    EXPECT_EQ(messageOf([&] { table.close(); }), "Cannot create file recipes.xml");
    EXPECT_FALSE(table.isOpen());

    table.open();
    EXPECT_EQ(table.recordCount(), 4);
    EXPECT_TRUE(table.isChanged());
    EXPECT_EQ(messageOf([&] { table.close(); }), "Cannot create file recipes.xml");

    ASSERT_TRUE(QDir(folder.path()).mkdir("not-yet"));
    table.open();
    table.close();
    table.open();
    EXPECT_FALSE(table.isChanged());
    EXPECT_EQ(table.recordCount(), 4);
}

TEST_F(TableFiles, UnwrittenDataIsReopenedEvenWhenTheFileCannotBeRead) {
    Table table(recipesDefinition(sampleRecipes()));
    table.close();
    table.setDataDirectory(folder.path());
    table.setFileName("recipes.xml");
    table.open();
    ASSERT_TRUE(QDir(folder.path()).mkdir("recipes.xml")); // blocks the write and the read
    EXPECT_EQ(messageOf([&] { table.close(); }), "Cannot create file recipes.xml");
    table.open();
    EXPECT_EQ(table.recordCount(), 3);
}

TEST_F(TableFiles, DataFolderStaysFixedWhenTheCurrentDirectoryChanges) {
    QTemporaryDir elsewhere;
    const QString startDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    Table table(recipesDefinition(sampleRecipes()));
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    table.close();
    table.setFileName("recipes.xml");
    table.open();
    table.close();
    QDir::setCurrent(startDirectory);
    EXPECT_TRUE(QFile::exists(path()));
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("recipes.xml")));
}

struct FormCase {
    const char* fileName;
    bool xml;
};

class TableFileForm : public TableFiles, public ::testing::WithParamInterface<FormCase> {};

TEST_P(TableFileForm, ExtensionChoosesTheFormAndTheDataSurvives) {
    const Packet packet{recipeFields(), sampleRecipes()};
    Table table(recipesDefinition(sampleRecipes()));
    reload(table, GetParam().fileName);
    table.close();
    const QByteArray written = fileContents(path(GetParam().fileName));
    EXPECT_EQ(written, GetParam().xml ? writeXmlPacket(packet) : writeBinaryPacket(packet));
    EXPECT_EQ(readPacket(written), packet);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TableFileForm,
    ::testing::Values(FormCase{"recipes.xml", true}, FormCase{"recipes.XML", true},
                      FormCase{"recipes.Xml", true}, FormCase{"recipes.dat", false},
                      FormCase{"recipes", false}, FormCase{"recipes.xml.bak", false},
                      FormCase{"recipes.xmlx", false}),
    [](const auto& info) { return QString(info.param.fileName).replace('.', '_').toStdString(); });

} // namespace
