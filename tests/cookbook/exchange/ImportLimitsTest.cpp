// What no import file may do: make a reader wait on a pipe or a device, hold more than a
// file of the largest size, or go on after the user cancelled.
#include "cookbook/exchange/ImportTestSupport.h"

#include "cookbook/exchange/formats/ImportFile.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterReader.h"
#include "data/Error.h"

#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace savrona;
using namespace savrona::testing;
using namespace std::chrono_literals;

namespace {

// Runs a reading on a thread of its own and gives what it returned. Should it
// still run after a few seconds, it is cancelled and any pipe it waits on is
// opened and closed, so that a reader that waits fails the test instead of
// hanging it.
RecipeBatch readGuarded(const std::function<RecipeBatch(ImportProgress&)>& reading,
                        const QString& pipe = {}) {
    ImportProgress progress;
    std::packaged_task<RecipeBatch()> task([&] { return reading(progress); });
    std::future<RecipeBatch> result = task.get_future();
    std::thread reader(std::move(task));
    if (result.wait_for(5s) != std::future_status::ready) {
        ADD_FAILURE() << "the reading waits";
        progress.cancel();
        if (!pipe.isEmpty())
            ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    }
    reader.join();
    try {
        return result.get();
    } catch (const ImportCancelled&) {
        return {};
    }
}

struct RefusedCase {
    const char* name;
    const char* fileName; // made in a scratch folder: a pipe, a folder, or a path as it is
    std::function<RecipeBatch(const QString& path, ImportProgress& progress)> read;
    QString problem;
};

void PrintTo(const RefusedCase& refusedCase, std::ostream* out) {
    *out << refusedCase.name;
}

const auto readAnyKind = [](const QString& path, ImportProgress& progress) {
    return RecipeFileReader::read({path}, progress);
};
const auto readMealMaster = [](const QString& path, ImportProgress& progress) {
    return MealMasterReader::readFile(path, &progress);
};
const QString notAFile = QStringLiteral("0: this is a device or a pipe, not a file");

class RefusedFiles : public ::testing::TestWithParam<RefusedCase> {};

// Whatever its name promises, nothing but a file on disk is opened: a pipe
// is never waited on, a device never read.
TEST_P(RefusedFiles, AreRefusedAtOnceWithTheirReason) {
    QTemporaryDir folder;
    QString path = QString::fromUtf8(GetParam().fileName);
    QString pipe;
    if (path.startsWith(u"pipe")) {
        pipe = path = folder.filePath(path);
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    } else if (path == u"folder") {
        path = folder.path();
    }
    const RecipeBatch batch = readGuarded(
        [&](ImportProgress& progress) { return GetParam().read(path, progress); }, pipe);
    EXPECT_TRUE(batch.recipes.empty());
    EXPECT_EQ(problemLines(batch.problems), QStringList{GetParam().problem});
}

INSTANTIATE_TEST_SUITE_P(
    NoFiles, RefusedFiles,
    ::testing::Values(
        RefusedCase{"PipeNamedMealMaster", "pipe.mmf", readAnyKind, notAFile},
        RefusedCase{"PipeNamedJson", "pipe.json", readAnyKind, notAFile},
        RefusedCase{"PipeNamedWebPage", "pipe.html", readAnyKind, notAFile},
        RefusedCase{"PipeNamedExportedRecipe", "pipe.txt", readAnyKind, notAFile},
        RefusedCase{"PipeToTheMealMasterReader", "pipe.mmf", readMealMaster, notAFile},
        RefusedCase{"EndlessDevice", "/dev/zero", readAnyKind, notAFile},
        RefusedCase{"EndlessDeviceToTheMealMasterReader", "/dev/urandom", readMealMaster, notAFile},
        RefusedCase{"Folder", "folder", readAnyKind, "0: this is a folder, not a file"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file larger than any import reads is refused before a byte of it is
// read: a sparse file takes no room on the disk.
TEST(ImportFileSize, AFileOverTheLargestIsRefusedUnread) {
    QTemporaryDir folder;
    for (const QString& name : {QStringLiteral("huge.json"), QStringLiteral("huge.mmf")}) {
        QFile huge(folder.filePath(name));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("[");
        ASSERT_TRUE(huge.resize(ImportFile::largestFile + 1));
        huge.close();
        ImportProgress progress;
        const RecipeBatch batch = RecipeFileReader::read({huge.fileName()}, progress);
        EXPECT_EQ(problemLines(batch.problems),
                  QStringList{"0: the file is larger than 256 MB, more than an import reads"})
            << name.toStdString();
        EXPECT_EQ(progress.done(), 0);
    }
}

// A device that never ends, as a file that grows while it is read would be.
class EndlessDevice : public QIODevice {
public:
    explicit EndlessDevice(QByteArray pattern) : m_pattern(std::move(pattern)) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 size) override {
        for (qint64 at = 0; at < size; ++at)
            data[at] = m_pattern[(m_at + at) % m_pattern.size()];
        m_at += size;
        return size;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_pattern;
    qint64 m_at = 0;
};

struct EndlessCase {
    const char* name;
    std::function<RecipeBatch(QIODevice& device, qint64 largest)> read;
};

void PrintTo(const EndlessCase& endlessCase, std::ostream* out) {
    *out << endlessCase.name;
}

class EndlessInput : public ::testing::TestWithParam<EndlessCase> {};

// Recipes without end: the reading stops at the largest size, keeps none of
// them, and says why.
TEST_P(EndlessInput, StopsAtTheLargestSizeWithItsMessage) {
    EndlessDevice device(
        "MMMMM----- Recipe via Meal-Master\n      Title: Again\n\n  Stir.\nMMMMM\n");
    const RecipeBatch batch =
        readGuarded([&](ImportProgress&) { return GetParam().read(device, 3 * 1024 * 1024); });
    EXPECT_TRUE(batch.recipes.empty());
    EXPECT_EQ(problemLines(batch.problems),
              QStringList{"0: the file is larger than 3 MB, more than an import reads"});
}

INSTANTIATE_TEST_SUITE_P(Readers, EndlessInput,
                         ::testing::Values(EndlessCase{"MealMasterBlockByBlock",
                                                       [](QIODevice& device, qint64 largest) {
                                                           return MealMasterReader::read(
                                                               device, "endless.mmf", nullptr,
                                                               largest);
                                                       }},
                                           EndlessCase{"ReadWhole",
                                                       [](QIODevice& device, qint64 largest) {
                                                           RecipeBatch batch;
                                                           try {
                                                               readWhole(device, largest, nullptr);
                                                           } catch (const Error& error) {
                                                               batch.problems.push_back(
                                                                   {ImportProblem::Kind::File,
                                                                    "endless.json", 0,
                                                                    error.message()});
                                                           }
                                                           return batch;
                                                       }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Large files of each kind, of small recipes so that reading them takes a
// while after their bytes are in.
QByteArray largeMealMaster() {
    return QByteArray("MMMMM----- Recipe via Meal-Master\n      Title: Tea\n\n      1    Tea bag\n"
                      "\n  Steep.\nMMMMM\n")
        .repeated(400'000);
}

QByteArray largeJson() {
    const QByteArray recipe = R"({"@type": "Recipe", "name": "Tea", "recipeCategory": "Drinks",
 "recipeIngredient": ["1 tea bag"], "recipeInstructions": "Steep."})";
    return "[\n" + (recipe + ",\n").repeated(200'000) + recipe + "\n]\n";
}

QByteArray largeExportedText() {
    return ("\nDrinks\nTea\n\n" + QByteArray(50, '-') + "\n\n1 tea bag\n\nSteep.\n\n" +
            QByteArray(50, '-') + "\nRecipe exported by Savrona\nhttps://example.com\n")
        .repeated(300'000);
}

struct CancelCase {
    const char* name;
    const char* fileName;
    std::function<QByteArray()> content;
    bool cancelOnceAllIsRead; // else once a quarter is read
};

void PrintTo(const CancelCase& cancelCase, std::ostream* out) {
    *out << cancelCase.name;
}

class CancelledReading : public ::testing::TestWithParam<CancelCase> {};

// Cancelled from the window's thread while the bytes are read, or while they
// are taken apart after that: the reader stops within a second.
TEST_P(CancelledReading, StopsWithinASecond) {
    QTemporaryDir folder;
    QFile file(folder.filePath(GetParam().fileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().content());
    file.close();
    ImportProgress progress;
    std::atomic<bool> ended{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
        const auto due = [&] {
            return GetParam().cancelOnceAllIsRead ? progress.done() >= progress.total()
                                                  : progress.done() * 4 >= progress.total();
        };
        while (!ended && (progress.total() == 0 || !due()))
            std::this_thread::sleep_for(1ms);
        cancelledAt = std::chrono::steady_clock::now();
        progress.cancel();
    });
    bool stopped = false;
    try {
        RecipeFileReader::read({file.fileName()}, progress);
    } catch (const ImportCancelled&) {
        stopped = true;
    }
    const auto returnedAt = std::chrono::steady_clock::now();
    ended = true;
    canceller.join();
    ASSERT_TRUE(stopped) << "the reading ended before the cancel";
    // A bound against a reading that goes on after Cancel, wide enough for a
    // loaded machine: it stops within milliseconds (bench_import measures reading).
    EXPECT_LT(returnedAt - cancelledAt, 5s);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CancelledReading,
    ::testing::Values(CancelCase{"MealMasterWhileReading", "large.mmf", largeMealMaster, false},
                      CancelCase{"JsonWhileParsing", "large.json", largeJson, true},
                      CancelCase{"WebPageWhileParsing", "large.html",
                                 [] {
                                     return "<html><script type=\"application/ld+json\">" +
                                            largeJson() + "</script></html>";
                                 },
                                 true},
                      CancelCase{"ExportedTextWhileTakingApart", "large.txt", largeExportedText,
                                 true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
