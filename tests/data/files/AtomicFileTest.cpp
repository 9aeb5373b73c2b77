// AtomicFile on its own: a replacement stopped half-way, and a file it refuses to
// replace, leave the old file as it was and no temporary file beside it.
#include "data/files/AtomicFile.h"
#include "data/files/DataFolder.h"
#include "data/files/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {
namespace {

using Kind = FileReplaceError::Kind;
using savrona::testing::FileSizeLimit;

const QString fileName = QStringLiteral("cookbook.mmf");
const QByteArray oldContent = "old content";

bool runningAsRoot() {
    return ::geteuid() == 0;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    void TearDown() override { ::chmod(QFile::encodeName(folderPath()).constData(), 0700); }

    QString folderPath() const { return m_folder.path(); }
    QString path() const { return m_folder.filePath(fileName); }
    QStringList entries() const {
        return QDir(folderPath())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // Writes 4 MiB in chunks, then commits when asked; the kind of the
    // failure, if any.
    std::optional<Kind> replace(bool commit) const {
        const auto folder = DataFolder::atPath(folderPath());
        const QByteArray chunk(64 * 1024, 'x');
        try {
            AtomicFile file(*folder, fileName);
            for (int count = 0; count < 64; ++count)
                file.write(chunk);
            if (commit)
                file.commit();
        } catch (const FileReplaceError& failure) {
            return failure.kind();
        }
        return std::nullopt;
    }

private:
    QTemporaryDir m_folder;
};

struct HalfWayCase {
    const char* name;
    rlim_t fileSizeLimit; // 0: none
    bool commits;
};

class AtomicFileStoppedHalfWay : public AtomicFileTest,
                                 public ::testing::WithParamInterface<HalfWayCase> {};

TEST_P(AtomicFileStoppedHalfWay, LeavesTheOldFileAndNoTemporaryFile) {
    writeFile(path(), oldContent);
    std::optional<Kind> failure;
    {
        std::optional<FileSizeLimit> limit;
        if (GetParam().fileSizeLimit > 0)
            limit.emplace(GetParam().fileSizeLimit);
        failure = replace(GetParam().commits);
    }
    EXPECT_EQ(failure, GetParam().commits ? std::optional(Kind::Failed) : std::nullopt);
    EXPECT_EQ(contentOf(path()), oldContent);
    EXPECT_EQ(entries(), QStringList{fileName});
}

INSTANTIATE_TEST_SUITE_P(Stops, AtomicFileStoppedHalfWay,
                         ::testing::Values(
                             // The size limit stops the writes as a full disk would.
                             HalfWayCase{"FullDiskWhileWriting", 256 * 1024, true},
                             HalfWayCase{"FullDiskAtTheLastBlock", 4 * 1024 * 1024 - 1, true},
                             HalfWayCase{"GoneWithoutCommit", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    // Puts what is refused in the file's place; returns a descriptor to
    // close afterwards, or -1.
    std::function<int(const QString& path, const QString& folder)> prepare;
    Kind kind;
    bool needsPermissionChecks = false;
};

class AtomicFileRefusal : public AtomicFileTest,
                          public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(AtomicFileRefusal, ChangesNothing) {
    if (GetParam().needsPermissionChecks && runningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    const int keptOpen = GetParam().prepare(path(), folderPath());
    const QStringList entriesBefore = entries();

    EXPECT_EQ(replace(true), GetParam().kind);

    EXPECT_EQ(entries(), entriesBefore);
    if (QFileInfo(path()).isFile()) {
        EXPECT_EQ(contentOf(path()), oldContent);
    }
    if (keptOpen >= 0) {
        char byte = 0;
        EXPECT_LE(::read(keptOpen, &byte, 1), 0) << "nothing was written into the pipe";
        ::close(keptOpen);
    }
}

int chmodded(const QString& path, mode_t mode) {
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return -1;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AtomicFileRefusal,
    ::testing::Values(RefusedCase{"ReadOnlyFile",
                                  [](const QString& path, const QString&) {
                                      writeFile(path, oldContent);
                                      return chmodded(path, 0444);
                                  },
                                  Kind::TargetNotWritable, true},
                      RefusedCase{"ReadOnlyFolder",
                                  [](const QString& path, const QString& folder) {
                                      writeFile(path, oldContent);
                                      return chmodded(folder, 0500);
                                  },
                                  Kind::FolderTakesNoFile, true},
                      RefusedCase{"Folder",
                                  [](const QString& path, const QString&) {
                                      EXPECT_TRUE(QDir().mkdir(path));
                                      return -1;
                                  },
                                  Kind::TargetIsFolder},
                      // A reader keeps an open of the pipe from blocking, so that a
                      // replacement that opened it fails this test instead of hanging it.
                      RefusedCase{"Pipe",
                                  [](const QString& path, const QString&) {
                                      const QByteArray pipe = QFile::encodeName(path);
                                      EXPECT_EQ(::mkfifo(pipe.constData(), 0600), 0);
                                      return ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
                                  },
                                  Kind::TargetIsNoFile},
                      RefusedCase{"LinkToADevice",
                                  [](const QString& path, const QString&) {
                                      EXPECT_TRUE(QFile::link(QStringLiteral("/dev/null"), path));
                                      return -1;
                                  },
                                  Kind::TargetIsNoFile}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace savrona
