// The shared data folder on real tables in a scratch folder: versions another computer
// wrote arrive as replaced files, as files a rebuild read, or as conflict copies, and are
// merged without losing a record.
#include "cookbook/sharing/SharedFolder.h"

#include "cookbook/TestCookbook.h"
#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

namespace savrona::testing {
namespace {

const std::vector<CategoryRecord> soupsAndCakes{{1, "Soups"}, {2, "Cakes"}};
const std::vector<RecipeRecord> threeRecipes{{10, 1, "Onion Soup", "onions", "Boil."},
                                             {11, 1, "Pea Soup", "peas", "Simmer."},
                                             {12, 2, "Sponge", "eggs", "Bake."}};

QStringList titlesOf(Table& table) {
    QStringList titles;
    for (const Row& row : TestCookbook::rowsOf(table))
        titles.append(textOf(row[2]));
    titles.sort();
    return titles;
}

class SharedFolderTest : public ::testing::Test {
protected:
    SharedFolderTest()
        : cookbook(soupsAndCakes, threeRecipes),
          shared(cookbook.categories(), cookbook.recipes(), SharingState(state.path())) {
        // Started on these files: the base and the own versions.
        shared.keepOwnVersions();
    }

    // Another computer's version of a data file, put in place as a sync engine does: written
    // beside it, then renamed over it.
    void arrive(const QString& fileName, const std::vector<Row>& rows) {
        placeVersion(fileName, rows);
    }
    void placeVersion(const QString& fileName, const std::vector<Row>& rows) {
        // A later modification time than the file's own, as a write a moment later has.
        QThread::msleep(5);
        const auto fields = fileName == categoriesFileName ? categoriesTableDefinition().fields
                                                           : recipesTableDefinition().fields;
        writeDataFileAtomically(cookbook.folder() + QLatin1Char('/') + fileName,
                                writeXmlPacket(Packet{fields, rows}), fileName);
    }
    void addRecipe(std::int32_t id, std::int32_t categoryId, const QString& title) {
        cookbook.recipes().insertRecord({id, categoryId, title, "ingredients", "steps"});
        cookbook.rebuild();
    }
    bool exists(const QString& relativePath) const {
        return QFile::exists(cookbook.folder() + QLatin1Char('/') + relativePath);
    }

    QTemporaryDir state;
    TestCookbook cookbook;
    SharedFolder shared;
};

TEST_F(SharedFolderTest, NothingArrivesFromTheTablesOwnWrites) {
    addRecipe(13, 2, "Scones");
    EXPECT_FALSE(shared.hasArrivals());
    EXPECT_FALSE(shared.mergeArrivals());
}

TEST_F(SharedFolderTest, AReplacedFileMergesBothComputersAdditionsAndIsWrittenOnce) {
    addRecipe(13, 2, "Scones");
    // The other computer added a recipe under the same next ID, not having seen ours.
    arrive(recipesFileName, recipeTableRows({{10, 1, "Onion Soup", "onions", "Boil."},
                                             {11, 1, "Pea Soup", "peas", "Simmer."},
                                             {12, 2, "Sponge", "eggs", "Bake."},
                                             {13, 1, "Leek Soup", "leeks", "Boil."}}));
    ASSERT_TRUE(shared.hasArrivals());
    const auto report = shared.mergeArrivals();
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->tablesChanged);
    EXPECT_EQ(report->summary.theirs.recipes.added, 1);
    EXPECT_EQ(titlesOf(cookbook.recipes()),
              QStringList({"Leek Soup", "Onion Soup", "Pea Soup", "Scones", "Sponge"}));
    cookbook.rebuild();
    // Written over the other computer's file, not beside it.
    auto inFile = cookbook.rowsInFile(recipesFileName);
    EXPECT_EQ(inFile.size(), 5u);
    EXPECT_EQ(QDir(cookbook.folder()).entryList({"*conflict*"}, QDir::Files), QStringList());
    EXPECT_FALSE(shared.hasArrivals());
}

// The way a recipe was lost: added and written, then the file replaced by a version that
// never saw it, and nothing changed since to write it again.
TEST_F(SharedFolderTest, ARecipeMissingFromTheArrivingVersionButNotFromTheBaseStays) {
    addRecipe(13, 2, "Scones");
    shared.keepOwnVersions();
    arrive(recipesFileName, recipeTableRows(threeRecipes));
    ASSERT_TRUE(shared.mergeArrivals());
    EXPECT_TRUE(titlesOf(cookbook.recipes()).contains("Scones"));
    cookbook.rebuild();
    EXPECT_TRUE(findRow(cookbook.rowsInFile(recipesFileName), 2, "Scones"));
}

TEST_F(SharedFolderTest, ADeleteOnTheOtherComputerOfARecipeUnchangedHereIsTaken) {
    arrive(recipesFileName, recipeTableRows({threeRecipes[0], threeRecipes[2]}));
    const auto report = shared.mergeArrivals();
    ASSERT_TRUE(report);
    EXPECT_EQ(titlesOf(cookbook.recipes()), QStringList({"Onion Soup", "Sponge"}));
    EXPECT_EQ(report->summary.theirs.recipes.deleted, 1);
}

TEST_F(SharedFolderTest, AMergeThatEqualsTheFileWritesNothing) {
    arrive(recipesFileName, recipeTableRows({threeRecipes[0],
                                             threeRecipes[1],
                                             threeRecipes[2],
                                             {13, 2, "Scones", "flour", "Bake."}}));
    const auto before = identityOfFile(cookbook.folder() + "/" + recipesFileName);
    ASSERT_TRUE(shared.mergeArrivals());
    EXPECT_FALSE(cookbook.recipes().isChanged());
    cookbook.rebuild();
    EXPECT_EQ(identityOfFile(cookbook.folder() + "/" + recipesFileName), before);
    EXPECT_FALSE(shared.hasArrivals());
}

TEST_F(SharedFolderTest, ARecipeEditedOnBothComputersIsKeptTwiceAndListed) {
    cookbook.recipes().setFilter("Title='Pea Soup'");
    cookbook.recipes().setFiltered(true);
    cookbook.recipes().edit();
    cookbook.recipes().setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                                  FieldInput::leaveAlone(), "split peas"});
    cookbook.recipes().post();
    cookbook.rebuild();
    arrive(recipesFileName,
           recipeTableRows(
               {threeRecipes[0], {11, 1, "Pea Soup", "green peas", "Simmer."}, threeRecipes[2]}));
    const auto report = shared.mergeArrivals();
    ASSERT_TRUE(report);
    ASSERT_EQ(report->summary.conflictCopies.size(), 1u);
    const QString copyTitle = report->summary.conflictCopies.front().title;
    EXPECT_TRUE(copyTitle.startsWith("Pea Soup (from ")) << copyTitle.toStdString();
    EXPECT_TRUE(titlesOf(cookbook.recipes()).contains(copyTitle));
    EXPECT_TRUE(titlesOf(cookbook.recipes()).contains("Pea Soup"));
}

TEST_F(SharedFolderTest, AVersionThatCannotBeReadIsLeftAloneAndMergedOnceWhole) {
    const QString path = cookbook.folder() + "/" + recipesFileName;
    writeDataFileAtomically(path, QByteArray("<?xml version=\"1.0\"?><DATAPACKET><METADATA"),
                            recipesFileName);
    const auto halfSynced = identityOfFile(path);
    EXPECT_FALSE(shared.mergeArrivals());
    EXPECT_EQ(identityOfFile(path), halfSynced);
    EXPECT_EQ(titlesOf(cookbook.recipes()).size(), 3);
    EXPECT_FALSE(shared.hasArrivals()); // not read again until it changes
    arrive(recipesFileName, recipeTableRows({threeRecipes[0],
                                             threeRecipes[1],
                                             threeRecipes[2],
                                             {13, 2, "Scones", "flour", "Bake."}}));
    ASSERT_TRUE(shared.mergeArrivals());
    EXPECT_EQ(titlesOf(cookbook.recipes()).size(), 4);
}

// A command's rebuild read the other computer's file before a look came: the records only
// this computer held come back from its own version, kept outside the folder.
TEST_F(SharedFolderTest, AFileARebuildReadIsMergedWithTheOwnVersion) {
    addRecipe(13, 2, "Scones");
    shared.keepOwnVersions();
    arrive(recipesFileName, recipeTableRows({threeRecipes[0],
                                             threeRecipes[1],
                                             threeRecipes[2],
                                             {13, 1, "Leek Soup", "leeks", "Boil."}}));
    cookbook.rebuild(); // reads the file: Scones is gone from the table
    ASSERT_FALSE(titlesOf(cookbook.recipes()).contains("Scones"));
    ASSERT_TRUE(shared.hasArrivals());
    ASSERT_TRUE(shared.mergeArrivals());
    EXPECT_EQ(titlesOf(cookbook.recipes()),
              QStringList({"Leek Soup", "Onion Soup", "Pea Soup", "Scones", "Sponge"}));
}

TEST_F(SharedFolderTest, ConflictCopiesAreMergedThenMovedAndDeleteNothingTheyLack) {
    addRecipe(13, 2, "Scones");
    shared.keepOwnVersions();
    const QString copyName = "recipes.sync-conflict-20261208-101400-ABCDEFG.xml";
    // An old version: it lacks Scones, which the base lacks too, and Sponge, which the base
    // holds; it adds Brownies.
    placeVersion(copyName, recipeTableRows({threeRecipes[0],
                                            threeRecipes[1],
                                            {14, 2, "Brownies", "chocolate", "Bake."}}));
    ASSERT_TRUE(shared.hasArrivals());
    const auto report = shared.mergeArrivals();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->copiesMoved, QStringList({copyName}));
    EXPECT_EQ(titlesOf(cookbook.recipes()),
              QStringList({"Brownies", "Onion Soup", "Pea Soup", "Scones", "Sponge"}));
    EXPECT_FALSE(exists(copyName));
    EXPECT_TRUE(exists(mergedCopiesFolderName + "/" + copyName));
    EXPECT_FALSE(shared.hasArrivals());
}

TEST_F(SharedFolderTest, AMovedCopyNeverReplacesOneMovedBefore) {
    const QString copyName = "recipes (conflict 2026-12-08 101400).xml";
    for (int round = 0; round < 2; ++round) {
        placeVersion(copyName, recipeTableRows(threeRecipes));
        ASSERT_TRUE(shared.mergeArrivals());
    }
    EXPECT_TRUE(exists(mergedCopiesFolderName + "/" + copyName));
    EXPECT_TRUE(exists(mergedCopiesFolderName + "/recipes (conflict 2026-12-08 101400) (2).xml"));
}

struct CopyNameCase {
    const char* fileName;
    const char* dataFileName; // "" when it names no conflict copy
    const char* pairKey;
};

class ConflictCopyNameTest : public ::testing::TestWithParam<CopyNameCase> {};

TEST_P(ConflictCopyNameTest, IsToldFromOtherFiles) {
    const auto copy = readConflictCopyName(GetParam().fileName, {"categories.xml", "recipes.xml"});
    if (QByteArray(GetParam().dataFileName).isEmpty()) {
        EXPECT_FALSE(copy);
        return;
    }
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->dataFileName, GetParam().dataFileName);
    EXPECT_EQ(copy->pairKey, GetParam().pairKey);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ConflictCopyNameTest,
    ::testing::Values(CopyNameCase{"recipes.sync-conflict-20261208-101400-ABCDEFG.xml",
                                   "recipes.xml", ".sync-conflict-20261208-101400-ABCDEFG.xml"},
                      CopyNameCase{"categories.sync-conflict-20261208-101400-ABCDEFG.xml",
                                   "categories.xml", ".sync-conflict-20261208-101400-ABCDEFG.xml"},
                      CopyNameCase{"recipes (conflicted copy 2026-12-08 101400).xml", "recipes.xml",
                                   " (conflicted copy 2026-12-08 101400).xml"},
                      CopyNameCase{"recipes (Anna's conflicted copy 2026-12-08).xml", "recipes.xml",
                                   " (Anna's conflicted copy 2026-12-08).xml"},
                      CopyNameCase{"Recipes (Conflict 2026-12-08 101400 2).XML", "recipes.xml",
                                   " (Conflict 2026-12-08 101400 2).XML"},
                      CopyNameCase{"recipes.xml", "", ""},
                      CopyNameCase{"recipes (copy).xml", "", ""},
                      CopyNameCase{"recipes.sync-conflict-2026-ABC.xml", "", ""},
                      CopyNameCase{"recipes (conflict 2026-12-08 101400).txt", "", ""},
                      CopyNameCase{"myrecipes (conflict 2026-12-08 101400).xml", "", ""},
                      CopyNameCase{".recipes.xml.tmp", "", ""}));

TEST(ConflictCopyGroups, CopiesOfBothFilesFromOneConflictGoTogetherInKeyOrder) {
    const auto groups = groupConflictCopies(
        {"recipes (conflict 2026-12-08 101500).xml", "categories (conflict 2026-12-08 101400).xml",
         "recipes (conflict 2026-12-08 101400).xml", "notes.txt"},
        {"categories.xml", "recipes.xml"});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].copies.size(), 2u);
    EXPECT_EQ(groups[0].pairKey, " (conflict 2026-12-08 101400).xml");
    EXPECT_EQ(groups[1].copies.size(), 1u);
}

} // namespace
} // namespace savrona::testing
