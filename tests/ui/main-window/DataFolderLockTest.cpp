// The data folder's lock: what a lock file left in the folder means for a copy that
// starts (taken over, or refused with what to do), never waiting on what it finds, and
// a read-only folder, which takes no lock, said.
#include "platform/DataFolderLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace savrona {
namespace {

QString lockPathIn(const QTemporaryDir& folder) {
    return folder.filePath(QStringLiteral(".savrona.lock"));
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray fileContent(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A lock file's lines as a copy writes them: process, program, computer.
QByteArray lockOf(qint64 processId, const QString& program,
                  const QString& hostName = QSysInfo::machineHostName()) {
    return QByteArray::number(processId) + '\n' + program.toUtf8() + '\n' + hostName.toUtf8() +
           '\n';
}

QString thisProgram() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

qint64 endedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

void makeSocket(const QString& path) {
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(descriptor, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(std::size_t(name.size()), sizeof address.sun_path);
    std::copy(name.begin(), name.end(), address.sun_path);
    EXPECT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(descriptor);
}

// Takes the lock on another thread and waits five seconds at most: a lock
// that waits on what it found (a named pipe with no writer) fails instead of
// hanging the tests, and is set free by opening the pipe's other end.
bool acquireWithin(DataFolderLock& lock, const QString& lockPath) {
    auto acquired = std::async(std::launch::async, [&] { return lock.acquire(); });
    if (acquired.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "taking the lock still waits after five seconds";
        const int writeEnd = ::open(QFile::encodeName(lockPath).constData(), O_WRONLY | O_NONBLOCK);
        if (writeEnd >= 0)
            ::close(writeEnd);
    }
    return acquired.get();
}

enum class Found { Stale, RunningCopy, NotALockFile };

struct LockLeft {
    const char* name;
    // Leaves something named .savrona.lock at the path given.
    std::function<void(const QString&)> leave;
    Found found;
    const char* refusalPart; // what the refusal names besides the folder
};

void PrintTo(const LockLeft& left, std::ostream* out) {
    *out << left.name;
}

class LockFileLeft : public ::testing::TestWithParam<LockLeft> {
protected:
    QTemporaryDir folder;
};

TEST_P(LockFileLeft, IsTakenOverOrRefusedWithWhatToDo) {
    const QString lockPath = lockPathIn(folder);
    GetParam().leave(lockPath);
    struct stat before {};
    ASSERT_EQ(::lstat(QFile::encodeName(lockPath).constData(), &before), 0);
    const QByteArray contentBefore = S_ISREG(before.st_mode) ? fileContent(lockPath) : "";

    {
        DataFolderLock lock(folder.path());
        const bool acquired = acquireWithin(lock, lockPath);
        EXPECT_FALSE(lock.folderIsReadOnly());
        EXPECT_EQ(acquired, GetParam().found == Found::Stale) << lock.refusal().toStdString();
        const std::string refusal = lock.refusal().toStdString();
        switch (GetParam().found) {
        case Found::Stale:
            EXPECT_TRUE(fileContent(lockPath).startsWith(lockOf(::getpid(), thisProgram())));
            break;
        case Found::RunningCopy:
            EXPECT_EQ(refusal.find("Savrona is already open on this cookbook (" +
                                   QDir(folder.path()).absolutePath().toStdString() + ")."),
                      0u)
                << refusal;
            EXPECT_NE(refusal.find("Switch to the open copy"), std::string::npos) << refusal;
            EXPECT_EQ(fileContent(lockPath), contentBefore);
            break;
        case Found::NotALockFile:
            EXPECT_NE(refusal.find(lockPath.toStdString() + " is "), std::string::npos) << refusal;
            EXPECT_NE(refusal.find("Remove " + lockPath.toStdString()), std::string::npos)
                << refusal;
            EXPECT_EQ(refusal.find("Savrona is already open"), std::string::npos) << refusal;
            break;
        }
        if (GetParam().found != Found::Stale) {
            EXPECT_NE(refusal.find(GetParam().refusalPart), std::string::npos) << refusal;
            // Left as it was found, for the user to look at.
            struct stat after {};
            ASSERT_EQ(::lstat(QFile::encodeName(lockPath).constData(), &after), 0);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_ino, before.st_ino);
        }
    }
    // A lock taken over is given back at the end.
    struct stat after {};
    EXPECT_EQ(::lstat(QFile::encodeName(lockPath).constData(), &after) == 0,
              GetParam().found != Found::Stale);
}

INSTANTIATE_TEST_SUITE_P(
    Left, LockFileLeft,
    ::testing::Values(
        LockLeft{"Empty", [](const QString& path) { writeFile(path, ""); }, Found::Stale, ""},
        LockLeft{"Garbage",
                 [](const QString& path) { writeFile(path, "\x7f\xfe~~ not a lock\n\n\n"); },
                 Found::Stale, ""},
        LockLeft{
            "ProcessThatEnded",
            [](const QString& path) { writeFile(path, lockOf(endedProcess(), thisProgram())); },
            Found::Stale, ""},
        // The process number given again, to a program that is not Savrona.
        LockLeft{"ProcessOfAnotherProgram",
                 [](const QString& path) { writeFile(path, lockOf(::getppid(), thisProgram())); },
                 Found::Stale, ""},
        LockLeft{"RunningCopy",
                 [](const QString& path) { writeFile(path, lockOf(::getpid(), thisProgram())); },
                 Found::RunningCopy, ""},
        LockLeft{"CopyOnAnotherComputer",
                 [](const QString& path) { writeFile(path, lockOf(1, "savrona", "pantry-pc")); },
                 Found::RunningCopy, "It is open on the computer pantry-pc."},
        LockLeft{"Folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); },
                 Found::NotALockFile, "is a folder"},
        LockLeft{"NamedPipe",
                 [](const QString& path) {
                     ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
                 },
                 Found::NotALockFile, "is a named pipe"},
        LockLeft{"Socket", makeSocket, Found::NotALockFile, "is a socket"},
        LockLeft{"DanglingLink",
                 [](const QString& path) { ASSERT_TRUE(QFile::link("nowhere", path)); },
                 Found::NotALockFile, "is a symbolic link"},
        LockLeft{"LinkToAStaleLock",
                 [](const QString& path) {
                     writeFile(path + ".target", "");
                     ASSERT_TRUE(QFile::link(path + ".target", path));
                 },
                 Found::NotALockFile, "is a symbolic link"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFolderLock, HeldUntilItsCopyEndsAndNeverRemovesAnotherCopysLock) {
    QTemporaryDir folder;
    const QString lockPath = lockPathIn(folder);
    {
        DataFolderLock first(folder.path());
        ASSERT_TRUE(first.acquire());
        DataFolderLock second(folder.path());
        EXPECT_FALSE(second.acquire());
        EXPECT_TRUE(second.refusal().startsWith("Savrona is already open on this cookbook"));
    }
    EXPECT_FALSE(QFileInfo::exists(lockPath));

    {
        DataFolderLock first(folder.path());
        ASSERT_TRUE(first.acquire());
        // Another copy's lock in its place (the first one's removed by hand).
        ASSERT_TRUE(QFile::remove(lockPath));
        writeFile(lockPath, lockOf(::getpid(), thisProgram()));
    }
    EXPECT_TRUE(QFileInfo::exists(lockPath));
}

// Takes two locks on folder as a user who cannot write to it (root cannot be
// kept out by permissions), in a child process; its answers come back as
// "acquired readOnly acquired readOnly" and the first notice.
std::optional<QByteArray> lockAsReader(const QString& folder) {
    int answer[2];
    if (::pipe(answer) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        constexpr uid_t nobody = 65534;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(1);
        DataFolderLock first(folder);
        DataFolderLock second(folder);
        QByteArray reply;
        for (DataFolderLock* lock : {&first, &second}) {
            const bool acquired = lock->acquire();
            reply += QByteArray::number(int(acquired)) + ' ' +
                     QByteArray::number(int(lock->folderIsReadOnly())) + ' ';
        }
        reply += first.readOnlyNotice().toUtf8();
        const ssize_t written = ::write(answer[1], reply.constData(), std::size_t(reply.size()));
        ::_exit(written == reply.size() ? 0 : 1);
    }
    ::close(answer[1]);
    QByteArray reply;
    pollfd readable{answer[0], POLLIN, 0};
    char buffer[1024];
    while (::poll(&readable, 1, 10'000) > 0) {
        const ssize_t length = ::read(answer[0], buffer, sizeof buffer);
        if (length <= 0)
            break;
        reply.append(buffer, length);
    }
    ::close(answer[0]);
    int status = 0;
    ::kill(child, SIGKILL); // ended by now, unless it hangs
    ::waitpid(child, &status, 0);
    if (reply.isEmpty())
        return std::nullopt;
    return reply;
}

class ReadOnlyFolder : public ::testing::TestWithParam<bool> {};

TEST_P(ReadOnlyFolder, IsSaidAndNoReasonToStop) {
    QTemporaryDir folder;
    if (GetParam())
        writeFile(lockPathIn(folder), ""); // left stale, and cannot be removed
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
    const std::optional<QByteArray> reply = lockAsReader(folder.path());
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    if (!reply)
        GTEST_SKIP() << "no user without write permission could be taken on";

    // Both copies run, each told that nothing will be saved.
    EXPECT_TRUE(reply->startsWith("1 1 1 1 ")) << reply->constData();
    EXPECT_EQ(QString::fromUtf8(reply->mid(8)).split('\r').value(0),
              "The folder " + QDir(folder.path()).absolutePath() +
                  " is read-only: Savrona cannot save any change to this cookbook.");
}

INSTANTIATE_TEST_SUITE_P(Lock, ReadOnlyFolder, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "WithAStaleLock" : "Empty");
                         });

} // namespace
} // namespace savrona
