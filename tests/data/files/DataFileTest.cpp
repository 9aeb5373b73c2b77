#include "data/files/DataFile.h"
#include "data/Error.h"
#include "data/ErrorMessage.h"
#include "data/files/FileSizeLimit.h"
#include "data/files/WriteLoopVersions.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace savrona {
namespace {

const QString displayName = QStringLiteral("recipes.xml");

bool runningAsRoot() {
    return ::geteuid() == 0;
}

using test_support::messageOf;

void writeFile(const QString& path, QByteArrayView bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes.data(), bytes.size()), bytes.size());
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

class DataFileTest : public ::testing::Test {
protected:
    QString pathOf(const QString& name) const { return m_folder.filePath(name); }
    QString folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

// ---- Reading -------------------------------------------------------------

struct ReadCase {
    std::string name;
    std::function<void(const QString& path)> prepare;
    std::optional<QByteArray> expectedBytes;
    QString expectedMessage; // empty when the read succeeds
    bool needsPermissionChecks = false;
};

void PrintTo(const ReadCase& readCase, std::ostream* out) {
    *out << readCase.name;
}

class DataFileReading : public DataFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(DataFileReading, GivesTheBytesNothingOrAnError) {
    if (GetParam().needsPermissionChecks && runningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    const QString path = pathOf(displayName);
    GetParam().prepare(path);
    std::optional<QByteArray> bytes;
    EXPECT_EQ(messageOf([&] { bytes = readDataFile(path, displayName); }),
              GetParam().expectedMessage.isEmpty() ? QStringLiteral("(no error)")
                                                   : GetParam().expectedMessage);
    EXPECT_EQ(bytes, GetParam().expectedBytes);
}

const QByteArray everyByte = [] {
    QByteArray bytes;
    for (int byte = 0; byte < 256; ++byte)
        bytes.append(char(byte));
    return bytes;
}();

INSTANTIATE_TEST_SUITE_P(
    Files, DataFileReading,
    ::testing::Values(
        ReadCase{"MissingFile", [](const QString&) {}, std::nullopt, {}},
        ReadCase{"ZeroBytes", [](const QString& path) { writeFile(path, ""); }, std::nullopt, {}},
        ReadCase{"EveryByteValue",
                 [](const QString& path) { writeFile(path, everyByte); },
                 everyByte,
                 {}},
        ReadCase{"DirectoryInPlaceOfTheFile", [](const QString& path) { QDir().mkdir(path); },
                 std::nullopt, QStringLiteral("Cannot open file recipes.xml")},
        ReadCase{"NamedPipeInPlaceOfTheFile",
                 [](const QString& path) { ::mkfifo(QFile::encodeName(path).constData(), 0600); },
                 std::nullopt, QStringLiteral("Cannot open file recipes.xml")},
        ReadCase{"DanglingLink",
                 [](const QString& path) { QFile::link(path + QStringLiteral(".gone"), path); },
                 std::nullopt,
                 {}},
        ReadCase{"UnreadableFile",
                 [](const QString& path) {
                     writeFile(path, "secret");
                     QFile::setPermissions(path, QFileDevice::WriteOwner);
                 },
                 std::nullopt, QStringLiteral("Cannot open file recipes.xml"), true}),
    [](const auto& info) { return info.param.name; });

// ---- Writing -------------------------------------------------------------

TEST_F(DataFileTest, WritesANewFileAndReplacesItWhole) {
    const QString path = pathOf(displayName);
    writeDataFileAtomically(path, "first version, longer than the second", displayName);
    EXPECT_EQ(contentOf(path), "first version, longer than the second");
    writeDataFileAtomically(path, "second", displayName);
    EXPECT_EQ(contentOf(path), "second");
    EXPECT_EQ(entriesOf(folder()), QStringList{displayName});
}

TEST_F(DataFileTest, ReplacedFileKeepsItsPermissions) {
    const QString path = pathOf(displayName);
    writeFile(path, "old");
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, ownerOnly));
    writeDataFileAtomically(path, "new", displayName);
    EXPECT_EQ(QFile::permissions(path) & ~QFileDevice::ReadUser & ~QFileDevice::WriteUser,
              ownerOnly);
}

struct WriteFailure {
    std::string name;
    // Prepares the folder and returns the path to write.
    std::function<QString(const QString& folder)> prepare;
    bool needsPermissionChecks = false;
    QString message = QStringLiteral("Cannot create file recipes.xml");
};

void PrintTo(const WriteFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class DataFileWriteFailure : public DataFileTest,
                             public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(DataFileWriteFailure, ReportsItAndChangesNothing) {
    if (GetParam().needsPermissionChecks && runningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    const QString path = GetParam().prepare(folder());
    const QStringList entriesBefore = entriesOf(folder());

    EXPECT_EQ(messageOf([&] { writeDataFileAtomically(path, "new content", displayName); }),
              GetParam().message);

    EXPECT_EQ(entriesOf(folder()), entriesBefore);
    if (QFileInfo(path).isFile()) {
        EXPECT_EQ(contentOf(path), "old content");
    }
    QFile::setPermissions(folder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DataFileWriteFailure,
    ::testing::Values(
        WriteFailure{"ParentIsARegularFile",
                     [](const QString& folder) {
                         writeFile(folder + QStringLiteral("/plain"), "old content");
                         return folder + QStringLiteral("/plain/recipes.xml");
                     }},
        WriteFailure{
            "MissingParentFolder",
            [](const QString& folder) { return folder + QStringLiteral("/missing/recipes.xml"); }},
        WriteFailure{"DirectoryInPlaceOfTheFile",
                     [](const QString& folder) {
                         QDir(folder).mkdir(QStringLiteral("recipes.xml"));
                         return folder + QStringLiteral("/recipes.xml");
                     }},
        WriteFailure{"FolderThatTakesNoFiles",
                     [](const QString&) { return QStringLiteral("/proc/recipes.xml"); }},
        // The file may be written, but no safe replacement can be made beside it.
        WriteFailure{"ReadOnlyFolder",
                     [](const QString& folder) {
                         writeFile(folder + QStringLiteral("/recipes.xml"), "old content");
                         QFile::setPermissions(folder,
                                               QFileDevice::ReadOwner | QFileDevice::ExeOwner);
                         return folder + QStringLiteral("/recipes.xml");
                     },
                     true,
                     "Cannot create file recipes.xml: the data folder is read-only, and Savrona "
                     "saves a file by writing its new version beside it first"}),
    [](const auto& info) { return info.param.name; });

using savrona::testing::FileSizeLimit;

TEST_F(DataFileTest, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    const QString path = pathOf(displayName);
    writeFile(path, "old content");
    const QByteArray large(256 * 1024, 'x');
    QString message;
    {
        const FileSizeLimit limit(64 * 1024);
        message = messageOf([&] { writeDataFileAtomically(path, large, displayName); });
    }
    EXPECT_EQ(message, QStringLiteral("Cannot create file recipes.xml"));
    EXPECT_EQ(contentOf(path), "old content");
    EXPECT_EQ(entriesOf(folder()), QStringList{displayName});
}

// A writer killed at random moments leaves one whole version every time.
TEST_F(DataFileTest, KilledWriterLeavesAWholeVersion) {
    const QString path = pathOf(displayName);
    const Packet versions[] = {test_support::writeLoopVersion(1),
                               test_support::writeLoopVersion(2)};
    const unsigned int seed = std::random_device()();
    SCOPED_TRACE(::testing::Message() << "random seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> killDelayMilliseconds(0, 150);

    constexpr int rounds = 30;
    for (int round = 0; round < rounds; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(DATA_FILE_WRITE_LOOP_PATH), {path});
        ASSERT_TRUE(writer.waitForReadyRead(30000)) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(killDelayMilliseconds(random)));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit)
            << "the writer stopped before it was killed";

        const std::optional<QByteArray> bytes = readDataFile(path, displayName);
        ASSERT_TRUE(bytes.has_value()) << "round " << round;
        const Packet packet = readPacket(*bytes);
        const std::optional<int> version = test_support::claimedWriteLoopVersion(packet);
        ASSERT_TRUE(version == 1 || version == 2) << "round " << round;
        ASSERT_TRUE(packet == versions[*version - 1])
            << "round " << round << ": version " << *version << " is not whole";
    }
}

} // namespace
} // namespace savrona
