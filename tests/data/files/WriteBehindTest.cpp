// Writes behind a table's reload: a snapshot stays as it was taken while the table
// goes on changing, a burst is written once, as it ended, and neither a failure, a race
// with the commands nor the exit loses a change.
#include "data/TableTestSupport.h"

#include "data/engine/RowBlocks.h"
#include "data/files/CoupledWrites.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <random>
#include <thread>

using namespace savrona;
using namespace savrona::testing;

namespace {

std::vector<Row> numberedRecipes(int count) {
    std::vector<Row> rows;
    for (int number = 0; number < count; ++number)
        rows.push_back(recipeRow(number, 1, QStringLiteral("Recipe %1").arg(number)));
    return rows;
}

QStringList titlesOf(const RowBlocks& rows) {
    QStringList titles;
    for (std::size_t id = 0; id < rows.size(); ++id)
        titles << (rows[id].empty() ? QString() : rows[id][2].toQString());
    return titles;
}

struct RowsChange {
    const char* name;
    void (*change)(RowBlocks& rows);
    std::size_t blocksStillShared; // of the three
};

const RowsChange rowsChanges[] = {
    {"EditInTheFirstBlock",
     [](RowBlocks& rows) { rows.mutableRow(0)[2] = Value::text(QStringLiteral("Edited")); }, 2},
    {"EditInTheLastBlock",
     [](RowBlocks& rows) {
         rows.mutableRow(rows.size() - 1)[2] = Value::text(QStringLiteral("Edited"));
     },
     2},
    {"AppendToTheLastBlock", [](RowBlocks& rows) { rows.pushBack(recipeRow(1, 1, "New")); }, 2},
    {"DeleteInTheMiddleBlock",
     [](RowBlocks& rows) { rows.mutableRow(RowBlocks::blockSize + 5) = Row(); }, 2},
    {"DropEveryOtherRow",
     [](RowBlocks& rows) {
         std::vector<bool> keep(rows.size());
         for (std::size_t id = 0; id < keep.size(); id += 2)
             keep[id] = true;
         rows.keepOnly(keep);
     },
     0},
};

class SnapshotRows : public ::testing::TestWithParam<RowsChange> {};

TEST_P(SnapshotRows, StayAsTakenWhileTheTableChangesItsOwn) {
    RowBlocks rows(numberedRecipes(int(RowBlocks::blockSize) * 2 + 100));
    const QStringList before = titlesOf(rows);
    const RowBlocks snapshot = rows;
    EXPECT_EQ(rows.sharedBlockCount(), 3u);

    GetParam().change(rows);

    EXPECT_EQ(titlesOf(snapshot), before);
    EXPECT_NE(titlesOf(rows), before);
    EXPECT_EQ(rows.sharedBlockCount(), GetParam().blocksStillShared);
}

INSTANTIATE_TEST_SUITE_P(Changes, SnapshotRows, ::testing::ValuesIn(rowsChanges),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows no snapshot holds are dropped in place: the kept ones move down in
// their order, and the next row goes after them.
struct KeptRows {
    const char* name;
    bool (*keep)(std::size_t id);
};

const KeptRows keptRows[] = {
    {"None", [](std::size_t) { return false; }},
    {"All", [](std::size_t) { return true; }},
    {"AllButTheFirst", [](std::size_t id) { return id != 0; }},
    {"EveryThird", [](std::size_t id) { return id % 3 == 0; }},
    {"AllButTheFirstBlock", [](std::size_t id) { return id >= RowBlocks::blockSize; }},
    {"TheFirstBlockWhole", [](std::size_t id) { return id < RowBlocks::blockSize; }},
    {"TheFirstBlockAndOneRow", [](std::size_t id) { return id <= RowBlocks::blockSize; }},
};

class RowsKeptInPlace : public ::testing::TestWithParam<KeptRows> {};

TEST_P(RowsKeptInPlace, KeepTheirOrderAndTakeTheNextRowAfterThem) {
    RowBlocks rows(numberedRecipes(int(RowBlocks::blockSize) * 2 + 100));
    std::vector<bool> keep(rows.size());
    QStringList expected;
    const QStringList before = titlesOf(rows);
    for (std::size_t id = 0; id < keep.size(); ++id) {
        keep[id] = GetParam().keep(id);
        if (keep[id])
            expected << before[qsizetype(id)];
    }

    rows.keepOnly(keep);
    rows.pushBack(recipeRow(1, 1, "Added"));

    expected << QStringLiteral("Added");
    EXPECT_EQ(titlesOf(rows), expected);
}

INSTANTIATE_TEST_SUITE_P(Patterns, RowsKeptInPlace, ::testing::ValuesIn(keptRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Run under ThreadSanitizer: a writer reads its snapshot while the table
// changes every block of its own rows.
TEST(SnapshotRowsAcrossThreads, AreReadWhileTheTableChangesItsRows) {
    RowBlocks rows(numberedRecipes(int(RowBlocks::blockSize) * 4));
    for (int round = 0; round < 20; ++round) {
        const RowBlocks snapshot = rows;
        const QStringList expected = titlesOf(snapshot);
        auto reading = std::async(std::launch::async, [&snapshot] { return titlesOf(snapshot); });
        for (std::size_t id = std::size_t(round); id < rows.size(); id += 97)
            rows.mutableRow(id)[2] = Value::text(QStringLiteral("Round %1").arg(round));
        rows.pushBack(recipeRow(round, 1, "Added"));
        EXPECT_EQ(reading.get(), expected) << "round " << round;
    }
}

// Holds the writer thread after each write until let go.
class WriterGate {
public:
    void attachTo(Table& table) {
        table.setWriteFinishedHandler([this] {
            ++m_writes;
            std::unique_lock lock(m_mutex);
            m_released.wait(lock, [this] { return m_open; });
        });
    }
    void open() {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_released.notify_all();
    }
    int writes() const { return m_writes; }

private:
    std::atomic<int> m_writes{0};
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_open = false;
};

class WriteBehind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        writeWholeFile(path(), writeXmlPacket(Packet{recipeFields(), numberedRecipes(3000)}));
        table = std::make_unique<Table>(recipesDefinition({}));
        table->close();
        table->setDataDirectory(folder.path());
        table->setFileName(QStringLiteral("recipes.xml"));
        table->open();
    }
    void TearDown() override {
        gate.open();
        if (table)
            table->setWriteFinishedHandler({});
    }

    QString path() const { return folder.filePath(QStringLiteral("recipes.xml")); }
    QStringList titlesInFile() const {
        QStringList titles;
        for (const Row& row : readPacket(fileContents(path())).rows)
            titles << row[2].toQString();
        std::sort(titles.begin(), titles.end());
        return titles;
    }
    QStringList titlesInTable() {
        QStringList titles = walkFromFirst(*table, "Title");
        std::sort(titles.begin(), titles.end());
        return titles;
    }
    void add(const QString& title) {
        table->insertRecord({9000, 1, title});
        EXPECT_FALSE(table->reload(QStringLiteral("recipes.xml")).has_value());
    }

    QTemporaryDir folder;
    std::unique_ptr<Table> table;
    WriterGate gate;
};

TEST_F(WriteBehind, ABurstIsWrittenOnceAsItEnded) {
    gate.attachTo(*table);
    add("First");
    for (int command = 0; command < 10; ++command)
        add(QStringLiteral("Burst %1").arg(command));
    gate.open();
    table->waitForWrites();
    EXPECT_EQ(gate.writes(), 2);
    EXPECT_EQ(titlesInFile(), titlesInTable());
    EXPECT_FALSE(table->hasUnwrittenChanges());
}

TEST_F(WriteBehind, CommandsRacingTheWriterEndWithTheirLastStateOnDisk) {
    std::mt19937 random(17);
    for (int command = 0; command < 150; ++command) {
        switch (random() % 3) {
        case 0:
            table->insertRecord({command, 1, QStringLiteral("Added %1").arg(command)});
            break;
        case 1:
            table->setFilter(QStringLiteral("Title = 'Recipe %1'").arg(random() % 3000));
            table->setFiltered(true);
            if (table->recordCount() > 0) {
                table->edit();
                table->setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                                  QStringLiteral("Edited %1").arg(command)});
                table->post();
            }
            break;
        default:
            table->first();
            table->deleteRecord();
            break;
        }
        ASSERT_FALSE(table->reload(QStringLiteral("recipes.xml")).has_value());
    }
    table->waitForWrites();
    EXPECT_EQ(titlesInFile(), titlesInTable());
    // The table reopens on the records it wrote, which the file holds.
    table->close();
    table->open();
    EXPECT_EQ(titlesInFile(), titlesInTable());
}

struct Retry {
    const char* name;
    void (*retry)(Table& table);
};

const Retry retries[] = {
    {"ByTheNextReload",
     [](Table& table) {
         EXPECT_FALSE(table.reload(QStringLiteral("recipes.xml")).has_value());
         table.waitForWrites();
         EXPECT_FALSE(table.takeWriteFailure().has_value());
     }},
    {"ByTheExitsClose", [](Table& table) { table.close(); }},
};

class WriteBehindFailure : public WriteBehind, public ::testing::WithParamInterface<Retry> {};

TEST_P(WriteBehindFailure, InTheMiddleOfAQueuedWriteKeepsTheDataForTheRetry) {
    gate.attachTo(*table);
    add("Written");
    add("Queued behind");
    // The queued write finds a folder in the file's place.
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("recipes.xml")));
    gate.open();
    table->waitForWrites();

    const auto failure = table->takeWriteFailure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->message(), "Cannot create file recipes.xml");
    EXPECT_FALSE(table->takeWriteFailure().has_value()) << "told once";
    EXPECT_TRUE(table->hasUnwrittenChanges());
    EXPECT_TRUE(walkFromFirst(*table, "Title").contains("Queued behind"));

    ASSERT_TRUE(QDir(folder.path()).rmdir(QStringLiteral("recipes.xml")));
    GetParam().retry(*table);
    EXPECT_FALSE(table->hasUnwrittenChanges());
    const QStringList inFile = titlesInFile();
    EXPECT_TRUE(inFile.contains("Written"));
    EXPECT_TRUE(inFile.contains("Queued behind"));
    EXPECT_EQ(inFile.size(), 3002);
}

INSTANTIATE_TEST_SUITE_P(Retries, WriteBehindFailure, ::testing::ValuesIn(retries),
                         [](const auto& info) { return std::string(info.param.name); });

struct Ending {
    const char* name;
    void (*end)(std::unique_ptr<Table>& table);
};

const Ending endings[] = {
    {"TheExitsClose", [](std::unique_ptr<Table>& table) { table->close(); }},
    {"TheTableDestroyed", [](std::unique_ptr<Table>& table) { table.reset(); }},
};

class WriteBehindExit : public WriteBehind, public ::testing::WithParamInterface<Ending> {};

TEST_P(WriteBehindExit, WhileWritesAreQueuedEndsWithEverythingOnDisk) {
    gate.attachTo(*table);
    add("Written");
    add("Queued behind");
    const QStringList expected = titlesInTable();
    // The writer is let go while the exit waits for it.
    std::thread letGo([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gate.open();
    });
    table->setWriteFinishedHandler({}); // waits for the gate
    GetParam().end(table);
    letGo.join();
    EXPECT_EQ(titlesInFile(), expected);
}

INSTANTIATE_TEST_SUITE_P(Endings, WriteBehindExit, ::testing::ValuesIn(endings),
                         [](const auto& info) { return std::string(info.param.name); });

// Coupled tables decide where their snapshots go in the order they were handed
// over, whichever writer thread comes first.
class CoupledWriteBehind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        writeWholeFile(filePath("categories.xml"),
                       writeXmlPacket(Packet{categoryFields(), {categoryRow(1, "Soups")}}));
        writeWholeFile(filePath("recipes.xml"), recipesAtStart);
        const auto coupling = std::make_shared<CoupledWrites>();
        for (auto [table, fileName] :
             {std::pair{&categories, "categories.xml"}, std::pair{&recipes, "recipes.xml"}}) {
            table->coupleWrites(coupling);
            table->close();
            table->setDataDirectory(folder.path());
            table->setFileName(fileName);
            table->open();
        }
    }
    void TearDown() override {
        gate.open();
        categories.setWriteFinishedHandler({});
    }

    QString filePath(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
    QStringList copies() const {
        return QDir(folder.path()).entryList({QStringLiteral("* (conflict *)*")}, QDir::Files);
    }

    const QByteArray recipesAtStart =
        writeXmlPacket(Packet{recipeFields(), {recipeRow(1, 1, "Chicken soup")}});
    QTemporaryDir folder;
    WriterGate gate;
    Table categories{categoriesDefinition({})};
    Table recipes{recipesDefinition({})};
};

TEST_F(CoupledWriteBehind, ARecipeWaitsUntilItsCategorysConflictIsKnown) {
    gate.attachTo(categories);
    categories.insertRecord({2, 0, "Cakes"});
    ASSERT_FALSE(categories.reload("categories.xml").has_value());
    // The categories' writer is held after its write while another program
    // rewrites the file; the next category waits behind it.
    while (gate.writes() < 1)
        std::this_thread::yield();
    writeWholeFile(filePath("categories.xml"),
                   writeXmlPacket(Packet{categoryFields(), {categoryRow(1, "Theirs")}}));
    categories.insertRecord({3, 0, "Pies"});
    ASSERT_FALSE(categories.reload("categories.xml").has_value());
    recipes.insertRecord({2, 3, "Apple pie"});
    ASSERT_FALSE(recipes.reload("recipes.xml").has_value());

    EXPECT_FALSE(recipes.waitForWrites(std::chrono::milliseconds(100)))
        << "the recipe was written before its category's destination was known";
    gate.open();
    categories.waitForWrites();
    recipes.waitForWrites();

    EXPECT_EQ(fileContents(filePath("recipes.xml")), recipesAtStart);
    const QStringList pair = copies();
    ASSERT_EQ(pair.size(), 2) << pair.join(", ").toStdString();
    EXPECT_EQ(readPacket(fileContents(folder.filePath(pair[0]))).rows.size(), 3u);
    EXPECT_EQ(readPacket(fileContents(folder.filePath(pair[1]))).rows.size(), 2u);
    const auto told = categories.takeWriteFailure();
    ASSERT_TRUE(told.has_value());
    EXPECT_EQ(told->kind(), WriteError::Kind::Conflict);
    EXPECT_FALSE(recipes.takeWriteFailure().has_value()) << "one message for the pair";
}

} // namespace
