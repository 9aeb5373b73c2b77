// Takes, checks and gives back the data folder's lock file with plain system calls that
// never follow a link or wait on a pipe, and words the refusal of a second copy.
#include "platform/DataFolderLock.h"

#include "data/files/DataFolder.h"
#include "platform/LockFileOwner.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

const QString& lockFileName = dataFolderLockFileName;
// Far more than any lock file's content: what goes beyond is garbage anyway.
constexpr qsizetype contentLimit = 4096;
// A copy that finds a new lock file each time it removed a stale one gives up.
constexpr int takeOverAttempts = 3;
// How long a copy waits for another one to finish looking at the lock file.
constexpr int turnWaits = 100;
constexpr useconds_t turnWait = 20'000;

// One copy at a time looks at and takes the lock file: an exclusive flock on
// the folder, which the system gives back when the process ends. Without it,
// two copies could both find the same stale lock and both take it over, or
// one could read the lock the other has created but not yet written. Where
// the folder takes no flock (some network file systems), or something holds
// it too long, the lock file is taken without it.
class FolderTurn {
public:
    explicit FolderTurn(const QString& folder)
        : m_descriptor(
              ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int wait = 0; m_descriptor >= 0 && wait < turnWaits; ++wait) {
            if (::flock(m_descriptor, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
                return;
            ::usleep(turnWait);
        }
    }
    ~FolderTurn() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

private:
    int m_descriptor;
};

bool writeAll(int descriptor, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(descriptor, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// The start of the regular file at path, read without following a link or
// waiting on a pipe; nothing when it cannot be read, with errno saying why.
std::optional<QByteArray> readRegularFile(const QByteArray& path) {
    const int descriptor =
        ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<QByteArray> content;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes(contentLimit, '\0');
        const ssize_t length = ::read(descriptor, bytes.data(), std::size_t(bytes.size()));
        if (length >= 0)
            content = bytes.left(length);
    } else {
        errno = EINVAL;
    }
    const int readError = errno;
    ::close(descriptor);
    errno = readError;
    return content;
}

// A folder that takes no new file: no write permission, a read-only mount, or
// an immutable folder.
bool meansReadOnly(int errorNumber) {
    return errorNumber == EACCES || errorNumber == EPERM || errorNumber == EROFS;
}

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISLNK(mode))
        return QStringLiteral("a symbolic link");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
}

QString reasonOf(int errorNumber) {
    QString text = QString::fromLocal8Bit(std::strerror(errorNumber));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

DataFolderLock::DataFolderLock(const QString& folder)
    : m_folder(folder), m_path(QFile::encodeName(QDir(folder).filePath(lockFileName))) {}

DataFolderLock::~DataFolderLock() {
    if (m_descriptor < 0)
        return;
    struct stat status {};
    if (::lstat(m_path.constData(), &status) == 0 && status.st_dev == m_device &&
        status.st_ino == m_inode)
        ::unlink(m_path.constData());
    ::close(m_descriptor);
}

bool DataFolderLock::acquire() {
    const FolderTurn turn(m_folder);
    for (int attempt = 0; attempt < takeOverAttempts; ++attempt) {
        switch (create()) {
        case Step::Held:
        case Step::GoOnUnlocked:
            return true;
        case Step::Refused:
            return false;
        case Step::TryAgain:
            break;
        }
    }
    refuse(alreadyOpen(nullptr));
    return false;
}

DataFolderLock::Step DataFolderLock::create() {
    const int descriptor =
        ::open(m_path.constData(),
               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (descriptor >= 0)
        return hold(descriptor);
    if (errno == EEXIST)
        return takeOverStale();
    return goOnUnlocked(errno);
}

DataFolderLock::Step DataFolderLock::hold(int descriptor) {
    struct stat status {};
    const bool written = writeAll(descriptor, LockFileOwner::thisProcess().content()) &&
                         ::fstat(descriptor, &status) == 0;
    if (!written) {
        const int writeError = errno;
        ::close(descriptor);
        // A lock file without its owner would only be taken over later.
        ::unlink(m_path.constData());
        return goOnUnlocked(writeError);
    }
    m_descriptor = descriptor;
    m_device = status.st_dev;
    m_inode = status.st_ino;
    return Step::Held;
}

DataFolderLock::Step DataFolderLock::takeOverStale() {
    struct stat status {};
    if (::lstat(m_path.constData(), &status) != 0)
        return errno == ENOENT ? Step::TryAgain : refuse(unreadable(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(notALockFile(status.st_mode));
    const std::optional<QByteArray> content = readRegularFile(m_path);
    if (!content)
        return errno == ENOENT ? Step::TryAgain : refuse(unreadable(errno));
    const std::optional<LockFileOwner> owner = LockFileOwner::readFrom(*content);
    if (owner && owner->mayBeRunning())
        return refuse(alreadyOpen(&*owner));
    if (::unlink(m_path.constData()) == 0 || errno == ENOENT)
        return Step::TryAgain;
    return goOnUnlocked(errno);
}

DataFolderLock::Step DataFolderLock::goOnUnlocked(int errorNumber) {
    m_readOnly = meansReadOnly(errorNumber);
    return Step::GoOnUnlocked;
}

DataFolderLock::Step DataFolderLock::refuse(const QString& text) {
    m_refusal = text;
    return Step::Refused;
}

QString DataFolderLock::readOnlyNotice() const {
    return QStringLiteral("The folder %1 is read-only: Savrona cannot save any change to this "
                          "cookbook.\rTo keep your changes, make the folder writable, or copy the "
                          "cookbook's files to a folder you can write to and start Savrona there.")
        .arg(folderShown());
}

QString DataFolderLock::alreadyOpen(const LockFileOwner* owner) const {
    QString text =
        QStringLiteral("Savrona is already open on this cookbook (%1).").arg(folderShown());
    text += QStringLiteral("\rOnly one copy of Savrona can work on a cookbook at a time, so that "
                           "neither overwrites the other's changes. Switch to the open copy, or "
                           "close it and start Savrona again.");
    // A lock from another computer (a shared or synchronised folder) cannot be
    // checked from here.
    if (owner != nullptr && owner->isOnAnotherComputer())
        text += QStringLiteral("\rIt is open on the computer %1. If Savrona no longer runs "
                               "there, delete the file %2 in the cookbook's folder.")
                    .arg(owner->hostName(), lockFileName);
    return text;
}

QString DataFolderLock::notALockFile(mode_t mode) const {
    return QStringLiteral("Savrona cannot tell whether it is already open on this cookbook (%1): "
                          "%2 is %3, not the lock file Savrona keeps there.\rRemove %2, then "
                          "start Savrona again.")
        .arg(folderShown(), pathShown(), kindOf(mode));
}

QString DataFolderLock::unreadable(int errorNumber) const {
    return QStringLiteral("Savrona cannot tell whether it is already open on this cookbook (%1): "
                          "its lock file %2 cannot be read (%3).\rIf no copy of Savrona is open "
                          "on this cookbook, remove %2, then start Savrona again.")
        .arg(folderShown(), pathShown(), reasonOf(errorNumber));
}

QString DataFolderLock::folderShown() const {
    return QDir::toNativeSeparators(QDir(m_folder).absolutePath());
}

QString DataFolderLock::pathShown() const {
    return QDir::toNativeSeparators(QDir(m_folder).absoluteFilePath(lockFileName));
}

} // namespace savrona
