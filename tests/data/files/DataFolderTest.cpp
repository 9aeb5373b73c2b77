// A data folder deleted while Savrona holds it: the tables keep showing their records,
// the write says the folder is gone, and once a folder stands at its path again the
// data is written there, whole. A folder moved stays held where it went.
#include "data/TableTestSupport.h"

#include "data/Error.h"
#include "data/files/DataFolder.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

std::vector<Row> threeRecipes() {
    return {recipeRow(1, 1, "Apple pie"), recipeRow(2, 1, "Barley soup"),
            recipeRow(3, 2, "Cheese puffs")};
}

// The folder as the program holds it: entered, then held as the current directory.
std::shared_ptr<const DataFolder> heldAsCurrentDirectory(const QString& path) {
    const QString before = QDir::currentPath();
    EXPECT_TRUE(QDir::setCurrent(path));
    auto folder = DataFolder::currentDirectory();
    EXPECT_TRUE(QDir::setCurrent(before));
    return folder;
}

// Creates a file through the folder's descriptor.
bool createThrough(const DataFolder& folder, const char* name) {
    const int file = ::openat(folder.descriptor(), name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    return file >= 0 && ::close(file) == 0;
}

class FolderHeld : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.isValid());
        ASSERT_TRUE(QDir(parent.path()).mkdir("cookbook"));
        path = QFileInfo(parent.filePath("cookbook")).canonicalFilePath();
    }

    QTemporaryDir parent;
    QString path;
};

TEST_F(FolderHeld, DeletedIsGoneUntilAFolderStandsAtItsPathAgain) {
    const auto folder = heldAsCurrentDirectory(path);
    ASSERT_TRUE(QDir(path).removeRecursively());
    EXPECT_TRUE(folder->isGone());
    EXPECT_LT(folder->descriptor(), 0);
    EXPECT_EQ(folder->path(), path);

    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(folder->isGone());
    ASSERT_TRUE(createThrough(*folder, "made.txt"));
    EXPECT_TRUE(QFile::exists(path + "/made.txt"));
    EXPECT_EQ(folder->replacements(), 1u);
}

TEST_F(FolderHeld, MovedStaysHeldWhereItWent) {
    const auto folder = DataFolder::atPath(path);
    ASSERT_GE(folder->descriptor(), 0);
    const QString moved = parent.filePath("moved");
    ASSERT_TRUE(QDir().rename(path, moved));
    ASSERT_TRUE(QDir().mkdir(path)); // another folder of the old name changes nothing
    EXPECT_FALSE(folder->isGone());
    ASSERT_TRUE(createThrough(*folder, "made.txt"));
    EXPECT_TRUE(QFile::exists(moved + "/made.txt"));
    EXPECT_FALSE(QFile::exists(path + "/made.txt"));
    EXPECT_EQ(folder->replacements(), 0u);
}

// Where a deleted folder still counts its links, the failed creation tells.
TEST_F(FolderHeld, ACreationFailedForTheDeletedFolderTakesTheOneAtItsPath) {
    const auto folder = DataFolder::atPath(path);
    const int deleted = folder->descriptor();
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_TRUE(folder->reopenAfterFailedCreate(deleted));
    EXPECT_NE(folder->descriptor(), deleted);
    EXPECT_FALSE(folder->reopenAfterFailedCreate(folder->descriptor())) << "the same folder";
    ASSERT_TRUE(createThrough(*folder, "made.txt"));
    EXPECT_TRUE(QFile::exists(path + "/made.txt"));
}

TEST_F(FolderHeld, NeverOpenedIsNotGone) {
    const auto folder = DataFolder::atPath(parent.filePath("never"));
    EXPECT_FALSE(folder->isGone());
    EXPECT_EQ(folder->path(), parent.filePath("never"));
}

struct DeletedFolderCase {
    const char* name;
    bool heldAsCurrentDirectory;    // as the program holds it, or by its path
    bool madeAgainBeforeTheOpening; // else only after the write failed
    const char* fileName;
};

void PrintTo(const DeletedFolderCase& deleted, std::ostream* out) {
    *out << deleted.name;
}

class DeletedFolder : public FolderHeld, public ::testing::WithParamInterface<DeletedFolderCase> {
protected:
    void reload(Table& table) {
        table.setFiltered(false);
        table.close();
        table.setFileName(GetParam().fileName);
        table.open();
    }
};

TEST_P(DeletedFolder, KeepsTheRecordsAndWritesThemWhereTheFolderIsMadeAgain) {
    const QString file = path + '/' + GetParam().fileName;
    Table table(recipesDefinition({}));
    table.setDataFolder(GetParam().heldAsCurrentDirectory ? heldAsCurrentDirectory(path)
                                                          : DataFolder::atPath(path));
    table.insertRecords(threeRecipes());
    reload(table);
    reload(table); // written, then read back: the records stand for the file
    ASSERT_TRUE(QFile::exists(file));

    ASSERT_TRUE(QDir(path).removeRecursively());
    if (GetParam().madeAgainBeforeTheOpening) {
        ASSERT_TRUE(QDir().mkdir(path));
    }
    reload(table);
    EXPECT_EQ(walk(table, "Title"), QStringList({"Apple pie", "Barley soup", "Cheese puffs"}));
    EXPECT_TRUE(table.hasUnwrittenChanges()) << "the only copy left";
    table.insertRecord({4, 2, "Date loaf"});

    if (!GetParam().madeAgainBeforeTheOpening) {
        try {
            table.close();
            FAIL() << "the write had no folder";
        } catch (const WriteError& failure) {
            EXPECT_EQ(failure.kind(), WriteError::Kind::FolderGone);
            EXPECT_EQ(failure.message(),
                      QStringLiteral("The cookbook's folder %1 is gone (moved or deleted). Your "
                                     "recipes are safe in memory: make the folder again, or "
                                     "choose File, Exit and save them elsewhere.")
                          .arg(path));
        }
        ASSERT_TRUE(QDir().mkdir(path));
        table.writeUnwrittenChanges();
    } else {
        table.close();
    }
    EXPECT_FALSE(table.hasUnwrittenChanges());
    const Packet written = readPacket(fileContents(file));
    EXPECT_EQ(written.rows.size(), 4u);
    table.open();
    EXPECT_EQ(walk(table, "Title"),
              QStringList({"Apple pie", "Barley soup", "Cheese puffs", "Date loaf"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeletedFolder,
    ::testing::Values(
        DeletedFolderCase{"CurrentDirectoryMadeAgainAfterTheFailedWrite", true, false,
                          "recipes.xml"},
        DeletedFolderCase{"CurrentDirectoryMadeAgainBeforeTheOpening", true, true, "recipes.xml"},
        DeletedFolderCase{"PathMadeAgainAfterTheFailedWrite", false, false, "recipes.dat"},
        DeletedFolderCase{"PathMadeAgainBeforeTheOpening", false, true, "recipes.dat"}),
    [](const auto& info) { return std::string(info.param.name); });

// A table reloaded unchanged after its folder went (as the exit does with no
// command since) counts its records as unwritten: they are the only copy left.
TEST_F(FolderHeld, AnUnchangedTableWhoseFolderWentWritesAfterAReload) {
    Table table(recipesDefinition({}));
    table.setDataFolder(heldAsCurrentDirectory(path));
    table.insertRecords(threeRecipes());
    for (int round = 0; round < 2; ++round) { // written, then read back unchanged
        table.close();
        table.setFileName(QStringLiteral("recipes.xml"));
        table.open();
    }
    ASSERT_TRUE(QDir(path).removeRecursively());
    ASSERT_TRUE(table.dataFolder()->isGone());
    table.reload(QStringLiteral("recipes.xml"));
    EXPECT_TRUE(table.hasUnwrittenChanges());

    try {
        table.close();
        FAIL() << "the records were dropped without a word";
    } catch (const WriteError& failure) {
        EXPECT_EQ(failure.kind(), WriteError::Kind::FolderGone);
    }
    ASSERT_TRUE(QDir().mkdir(path));
    table.writeUnwrittenChanges();
    EXPECT_EQ(readPacket(fileContents(path + "/recipes.xml")).rows.size(), 3u);
}

// The copy the exit writes into another folder: the records as they are,
// the table and its own file untouched.
TEST_F(FolderHeld, ACopyInAnotherFolderHoldsTheRecordsInMemory) {
    Table table(recipesDefinition(threeRecipes()));
    table.setDataFolder(DataFolder::atPath(path));
    table.close();
    table.setFileName("recipes.xml");
    table.open();
    table.insertRecord({4, 2, "Date loaf"});
    ASSERT_TRUE(QDir(parent.path()).mkdir("elsewhere"));
    table.writeCopyTo(*DataFolder::atPath(parent.filePath("elsewhere")));
    EXPECT_EQ(readPacket(fileContents(parent.filePath("elsewhere/recipes.xml"))).rows.size(), 4u);
    EXPECT_FALSE(QFile::exists(path + "/recipes.xml"));
    EXPECT_TRUE(table.isChanged());
}

} // namespace
