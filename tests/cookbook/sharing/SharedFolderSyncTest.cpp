// Two or three computers, each with its own data folder, tables and sharing state, and a
// sync engine between the folders as the real ones behave: a file changed on one side only
// replaces the other's; a file changed on both since they last agreed goes across as a
// conflict copy. Whatever the edits and the order of syncing, the computers settle on the
// same cookbook, stop writing, and keep every recipe nobody deleted.
#include "cookbook/sharing/SharedFolder.h"

#include "cookbook/TestCookbook.h"
#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>

namespace savrona::testing {
namespace {

const std::vector<CategoryRecord> startCategories{{1, "Soups"}, {2, "Cakes"}};
const std::vector<RecipeRecord> startRecipes{{10, 1, "Onion Soup", "onions", "Boil."},
                                             {11, 1, "Pea Soup", "peas", "Simmer."},
                                             {12, 2, "Sponge", "eggs", "Bake."}};

struct Computer {
    Computer()
        : cookbook(startCategories, startRecipes),
          shared(cookbook.categories(), cookbook.recipes(), SharingState(state.path())) {
        shared.keepOwnVersions();
    }

    // A look of the running program: what arrived is merged and written. Returns whether
    // something had arrived.
    bool look() {
        const bool merged = shared.mergeArrivals().has_value();
        if (merged)
            cookbook.rebuild();
        shared.keepOwnVersions();
        return merged;
    }

    QString path(const QString& fileName) const { return cookbook.folder() + '/' + fileName; }

    QTemporaryDir state;
    TestCookbook cookbook;
    SharedFolder shared;
};

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Between each pair of computers, the content of each file both last agreed on.
class SyncEngine {
public:
    // Carries one computer's data files to another's folder: a change on the sender's side
    // only replaces the receiver's file; changes on both sides send the sender's as a
    // conflict copy.
    // Returns whether it changed the receiver's folder.
    bool carry(Computer& from, Computer& to, const QString& device) {
        bool changed = false;
        for (const QString& fileName : {categoriesFileName, recipesFileName}) {
            const QByteArray sent = bytesOf(from.path(fileName));
            const QByteArray there = bytesOf(to.path(fileName));
            QByteArray& agreed = m_agreed[{std::min(&from, &to), std::max(&from, &to), fileName}];
            if (sent == there) {
                agreed = sent;
            } else if (!agreed.isNull() && sent == agreed) {
                continue; // only the receiver changed it: that goes the other way
            } else if (agreed.isNull() || there == agreed) {
                writeDataFileAtomically(to.path(fileName), sent, fileName);
                agreed = sent;
                changed = true;
            } else {
                const QString stem = fileName.left(fileName.indexOf('.'));
                const QString copy = QStringLiteral("%1.sync-conflict-20261208-1014%2-%3.xml")
                                         .arg(stem)
                                         .arg(m_copies++ % 60, 2, 10, QChar('0'))
                                         .arg(device);
                writeDataFileAtomically(to.path(copy), sent, copy);
                changed = true;
            }
        }
        return changed;
    }

private:
    std::map<std::tuple<Computer*, Computer*, QString>, QByteArray> m_agreed;
    int m_copies = 0;
};

QStringList titlesOf(Table& table) {
    QStringList titles;
    for (const Row& row : TestCookbook::rowsOf(table))
        titles.append(textOf(row[2]));
    titles.sort();
    return titles;
}

void deleteRecipe(TestCookbook& cookbook, const QString& title) {
    Table& recipes = cookbook.recipes();
    recipes.setFilter(QStringLiteral("Title='%1'").arg(title));
    recipes.setFiltered(true);
    if (recipes.recordCount() > 0)
        recipes.deleteRecord();
    recipes.setFiltered(false);
    cookbook.rebuild();
}

void addRecipe(TestCookbook& cookbook, const QString& title) {
    std::int32_t next = 1;
    for (const Row& row : TestCookbook::rowsOf(cookbook.recipes()))
        next = std::max(next, row[0].integer() + 1);
    cookbook.recipes().insertRecord({next, 1, title, "something", "Cook."});
    cookbook.rebuild();
}

// Syncs every way and looks, round after round, until a round carries and merges nothing.
bool settle(std::vector<Computer*> computers, SyncEngine& engine, int rounds = 12) {
    for (int round = 0; round < rounds; ++round) {
        bool busy = false;
        for (std::size_t from = 0; from < computers.size(); ++from) {
            for (std::size_t to = 0; to < computers.size(); ++to) {
                if (from == to)
                    continue;
                busy = engine.carry(*computers[from], *computers[to],
                                    QStringLiteral("DEVICE%1").arg(from)) ||
                       busy;
                busy = computers[to]->look() || busy;
            }
        }
        if (!busy)
            return true;
    }
    return false;
}

TEST(SharedFolderSync, ADeleteOfARecipeTheOtherAddedSettlesInsteadOfGoingBackAndForth) {
    Computer laptop;
    Computer desktop;
    SyncEngine engine;
    addRecipe(laptop.cookbook, "Scones");
    engine.carry(laptop, desktop, "LAPTOP1");
    desktop.look();
    ASSERT_TRUE(titlesOf(desktop.cookbook.recipes()).contains("Scones"));
    deleteRecipe(desktop.cookbook, "Scones");
    ASSERT_TRUE(settle({&laptop, &desktop}, engine));
    EXPECT_EQ(titlesOf(laptop.cookbook.recipes()), titlesOf(desktop.cookbook.recipes()));
    EXPECT_EQ(bytesOf(laptop.path(recipesFileName)), bytesOf(desktop.path(recipesFileName)));
}

TEST(SharedFolderSync, AdditionsAtOnceOnBothComputersMeetInOneCookbook) {
    Computer laptop;
    Computer desktop;
    SyncEngine engine;
    addRecipe(laptop.cookbook, "Scones");
    addRecipe(desktop.cookbook, "Brownies"); // the same next ID
    ASSERT_TRUE(settle({&laptop, &desktop}, engine));
    const QStringList expected{"Brownies", "Onion Soup", "Pea Soup", "Scones", "Sponge"};
    EXPECT_EQ(titlesOf(laptop.cookbook.recipes()), expected);
    EXPECT_EQ(titlesOf(desktop.cookbook.recipes()), expected);
    EXPECT_EQ(bytesOf(laptop.path(recipesFileName)), bytesOf(desktop.path(recipesFileName)));
}

// Random edits on two or three computers, synced in random orders between them, now and
// then both ways at once (conflict copies): they settle on the same bytes, and every recipe
// a computer added that nobody deleted is there.
TEST(SharedFolderSync, RandomEditsAndSyncOrdersSettleAndLoseNothing) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        const int count = 2 + int(random() % 2);
        std::vector<std::unique_ptr<Computer>> computers;
        std::vector<Computer*> all;
        for (int index = 0; index < count; ++index) {
            computers.push_back(std::make_unique<Computer>());
            all.push_back(computers.back().get());
        }
        SyncEngine engine;
        std::set<QString> added;
        std::set<QString> deleted;
        int next = 0;
        for (int step = 0; step < 10; ++step) {
            Computer& computer = *all[random() % all.size()];
            const QStringList titles = titlesOf(computer.cookbook.recipes());
            if (random() % 3 == 0 && !titles.isEmpty()) {
                const QString title = titles[int(random() % titles.size())];
                deleteRecipe(computer.cookbook, title);
                deleted.insert(title);
            } else {
                const QString title = QStringLiteral("Recipe %1").arg(next++);
                addRecipe(computer.cookbook, title);
                added.insert(title);
            }
            if (random() % 2 == 0) {
                const std::size_t from = random() % all.size();
                const std::size_t to = (from + 1 + random() % (all.size() - 1)) % all.size();
                engine.carry(*all[from], *all[to], QStringLiteral("DEVICE%1").arg(from));
                all[to]->look();
            }
        }
        ASSERT_TRUE(settle(all, engine, 20));
        const QStringList result = titlesOf(all.front()->cookbook.recipes());
        for (Computer* computer : all) {
            EXPECT_EQ(titlesOf(computer->cookbook.recipes()), result);
            EXPECT_EQ(bytesOf(computer->path(recipesFileName)),
                      bytesOf(all.front()->path(recipesFileName)));
            EXPECT_EQ(QDir(computer->cookbook.folder()).entryList({"*sync-conflict*"}, QDir::Files),
                      QStringList());
        }
        for (const QString& title : added) {
            if (!deleted.contains(title)) {
                EXPECT_TRUE(result.contains(title)) << "lost " << title.toStdString();
            }
        }
    }
}

} // namespace
} // namespace savrona::testing
