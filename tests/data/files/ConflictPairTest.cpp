// The categories and recipes files stay consistent on disk while either is in
// conflict: coupled tables write to one pair of conflict copies, leave both files as
// they are, and never let a recipe on disk name a category that is only in a copy.
#include "data/TableTestSupport.h"

#include "data/files/CoupledWrites.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace savrona;
using namespace savrona::testing;

namespace {

const QString categoriesFile = QStringLiteral("categories.xml");
const QString recipesFile = QStringLiteral("recipes.xml");

QByteArray categoriesAtStart() {
    return writeXmlPacket(Packet{categoryFields(), {categoryRow(1, "Soups")}});
}
QByteArray recipesAtStart() {
    return writeXmlPacket(Packet{recipeFields(), {recipeRow(1, 1, "Chicken soup")}});
}
QByteArray theirCategories() {
    return writeXmlPacket(
        Packet{categoryFields(), {categoryRow(1, "Soups"), categoryRow(7, "Their category")}});
}
QByteArray theirRecipes() {
    return writeXmlPacket(
        Packet{recipeFields(), {recipeRow(1, 1, "Chicken soup"), recipeRow(9, 1, "Their recipe")}});
}

// What the user adds, a round at a time: a category, then a recipe in it.
struct Round {
    int id;
    const char* category;
    const char* recipe;
};
const Round rounds[] = {{2, "Cakes", "Sponge"}, {3, "Pies", "Apple pie"}};

QStringList sortedTexts(const QByteArray& bytes, std::size_t field) {
    QStringList texts;
    for (const Row& row : readPacket(bytes).rows)
        texts << row[field].toQString();
    texts.sort();
    return texts;
}

// The titles of the recipes whose category the categories do not hold.
QStringList recipesWithoutTheirCategory(const QByteArray& categories, const QByteArray& recipes) {
    QSet<std::int32_t> ids;
    for (const Row& row : readPacket(categories).rows)
        ids.insert(row[0].integer());
    QStringList orphans;
    for (const Row& row : readPacket(recipes).rows) {
        if (!ids.contains(row[1].integer()))
            orphans << row[2].toQString();
    }
    return orphans;
}

// The commands in order: a category, then a recipe in it, round by round.
constexpr int noCommand = -1;

struct ConflictPairCase {
    const char* name;
    // The command before whose rebuild another program rewrites the file.
    int categoriesChangedAt;
    int recipesChangedAt;
    int rounds;
    QString toldFile; // named by the one conflict message; empty when none
    QStringList categoriesInFile;
    QStringList recipesInFile;
};

void PrintTo(const ConflictPairCase& pairCase, std::ostream* out) {
    *out << pairCase.name;
}

class ConflictPair : public ::testing::TestWithParam<ConflictPairCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        writeWholeFile(path(categoriesFile), categoriesAtStart());
        writeWholeFile(path(recipesFile), recipesAtStart());
        const auto coupling = std::make_shared<CoupledWrites>();
        for (auto [table, fileName] : tablesAndFiles()) {
            table->coupleWrites(coupling);
            table->close();
            table->setDataDirectory(folder.path());
            table->setFileName(fileName);
            table->open();
        }
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    std::vector<std::pair<Table*, QString>> tablesAndFiles() {
        return {{&categories, categoriesFile}, {&recipes, recipesFile}};
    }

    // The main window's rebuild, and the reports of its writes once they ended.
    void rebuild() {
        for (auto [table, fileName] : tablesAndFiles()) {
            if (const auto problem = table->reload(fileName))
                told << problem->message();
        }
        for (auto [table, fileName] : tablesAndFiles()) {
            table->waitForWrites();
            if (const auto problem = table->takeWriteFailure())
                told << problem->message();
        }
    }

    void playRounds(const ConflictPairCase& pairCase) {
        for (int round = 0; round < pairCase.rounds; ++round) {
            const Round& adding = rounds[round];
            categories.insertRecord({adding.id, 0, adding.category});
            rebuildAfterCommand(2 * round, pairCase);
            recipes.insertRecord({adding.id, adding.id, adding.recipe});
            rebuildAfterCommand(2 * round + 1, pairCase);
        }
    }

    void rebuildAfterCommand(int command, const ConflictPairCase& pairCase) {
        if (command == pairCase.categoriesChangedAt)
            writeWholeFile(path(categoriesFile), theirCategories());
        if (command == pairCase.recipesChangedAt)
            writeWholeFile(path(recipesFile), theirRecipes());
        rebuild();
    }

    void exitClosingBoth() {
        for (auto [table, fileName] : tablesAndFiles()) {
            try {
                table->close();
            } catch (const WriteError& error) {
                told << error.message();
            }
        }
    }

    QTemporaryDir folder;
    Table categories{categoriesDefinition({})};
    Table recipes{recipesDefinition({})};
    QStringList told;
};

TEST_P(ConflictPair, KeepsEveryRecipeBesideItsCategoryAndLosesNothing) {
    const ConflictPairCase& pairCase = GetParam();
    const bool categoriesChanged = pairCase.categoriesChangedAt != noCommand;
    const bool recipesChanged = pairCase.recipesChangedAt != noCommand;
    playRounds(pairCase);
    QStringList ourCategories{"Soups"};
    QStringList ourRecipes{"Chicken soup"};
    for (int round = 0; round < pairCase.rounds; ++round) {
        ourCategories << rounds[round].category;
        ourRecipes << rounds[round].recipe;
    }
    ourCategories.sort();
    ourRecipes.sort();
    // The tables go on with what the user did, whatever the files hold.
    QStringList inCategories = walkFromFirst(categories, "Category");
    QStringList inRecipes = walkFromFirst(recipes, "Title");
    inCategories.sort();
    inRecipes.sort();
    EXPECT_EQ(inCategories, ourCategories);
    EXPECT_EQ(inRecipes, ourRecipes);
    exitClosingBoth();

    const QByteArray categoriesOnDisk = fileContents(path(categoriesFile));
    const QByteArray recipesOnDisk = fileContents(path(recipesFile));
    EXPECT_EQ(sortedTexts(categoriesOnDisk, 2), pairCase.categoriesInFile);
    EXPECT_EQ(sortedTexts(recipesOnDisk, 2), pairCase.recipesInFile);
    EXPECT_EQ(recipesWithoutTheirCategory(categoriesOnDisk, recipesOnDisk), QStringList());
    // A file in conflict is left exactly as the other program wrote it; the
    // recipes file, once the categories are in conflict, as it was.
    if (categoriesChanged) {
        EXPECT_EQ(categoriesOnDisk, theirCategories());
    }
    if (recipesChanged) {
        EXPECT_EQ(recipesOnDisk, theirRecipes());
    } else if (categoriesChanged) {
        EXPECT_EQ(recipesOnDisk, recipesAtStart());
    }

    const QStringList copies =
        QDir(folder.path()).entryList({QStringLiteral("* (conflict *)*")}, QDir::Files);
    if (pairCase.toldFile.isEmpty()) {
        EXPECT_EQ(told, QStringList());
        EXPECT_EQ(copies, QStringList());
        return;
    }
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith(pairCase.toldFile + " was changed by another program"))
        << told[0].toStdString();
    // One pair, under one stamp, holding everything the user did.
    ASSERT_EQ(copies.size(), 2) << copies.join(", ").toStdString();
    ASSERT_TRUE(copies[0].startsWith("categories (conflict "));
    EXPECT_EQ(copies[1], QString(copies[0]).replace("categories", "recipes"));
    EXPECT_TRUE(told[0].contains(pairCase.toldFile == categoriesFile ? copies[0] : copies[1]));
    const QByteArray categoriesCopy = fileContents(path(copies[0]));
    const QByteArray recipesCopy = fileContents(path(copies[1]));
    EXPECT_EQ(sortedTexts(categoriesCopy, 2), ourCategories);
    EXPECT_EQ(sortedTexts(recipesCopy, 2), ourRecipes);
    EXPECT_EQ(recipesWithoutTheirCategory(categoriesCopy, recipesCopy), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConflictPair,
    ::testing::Values(ConflictPairCase{"NeitherChanged", noCommand, noCommand, 2, "",
                                       QStringList{"Cakes", "Pies", "Soups"},
                                       QStringList{"Apple pie", "Chicken soup", "Sponge"}},
                      // The first category already goes to the copy: recipes.xml is never
                      // written, so no recipe on disk names a category only the copy holds.
                      ConflictPairCase{"CategoriesChanged", 0, noCommand, 2, categoriesFile,
                                       QStringList{"Soups", "Their category"},
                                       QStringList{"Chicken soup"}},
                      // Categories never name recipes, but the other program's recipes may
                      // name a category the user deletes: from the conflict on, categories
                      // go to their copy too. The first category was written before.
                      ConflictPairCase{"RecipesChanged", noCommand, 1, 2, recipesFile,
                                       QStringList{"Cakes", "Soups"},
                                       QStringList{"Chicken soup", "Their recipe"}},
                      // The conflict comes with the last command: the unchanged categories
                      // go to their copy at the exit's close.
                      ConflictPairCase{"RecipesChangedByTheLastCommand", noCommand, 1, 1,
                                       recipesFile, QStringList{"Cakes", "Soups"},
                                       QStringList{"Chicken soup", "Their recipe"}},
                      // The unchanged recipes table does not take the other program's file
                      // while the categories, written before it, are found in conflict: the
                      // copies hold the user's cookbook alone, and one conflict is told.
                      ConflictPairCase{"BothChanged", 0, 0, 2, categoriesFile,
                                       QStringList{"Soups", "Their category"},
                                       QStringList{"Chicken soup", "Their recipe"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
