// Writes an export file so that a failed write leaves the old file intact, and maps
// system errors to the input/output messages shown.
#include "cookbook/exchange/ExportFileWriter.h"

#include "data/Error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

namespace code {
constexpr int fileNotFound = 2;
constexpr int invalidFilename = 3;
constexpr int tooManyOpenFiles = 4;
constexpr int fileAccessDenied = 5;
constexpr int readBeyondEndOfFile = 100;
constexpr int diskFull = 101;
constexpr int invalidNumericInput = 106;
// Windows error codes for the failures that have no message of their own.
constexpr int generalFailure = 31;
constexpr int sharingViolation = 32;
constexpr int fileExists = 80;
constexpr int invalidParameter = 87;
constexpr int deviceError = 1117;
} // namespace code

[[noreturn]] void failWithErrno(int errnoValue) {
    throw Error(inputOutputErrorMessage(inputOutputErrorCode(errnoValue)));
}

// Closes a descriptor once, when the writer is done with it or leaves early.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_descriptor; }

    // Closes now and reports the result, which a write may only show here.
    void closeChecked() {
        const int descriptor = m_descriptor;
        m_descriptor = -1;
        if (::close(descriptor) != 0 && errno != EINTR)
            failWithErrno(errno);
    }

private:
    int m_descriptor;
};

void writeAll(int descriptor, QByteArrayView bytes) {
    const char* next = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            failWithErrno(errno);
        if (written == 0)
            failWithErrno(ENOSPC);
        next += written;
        left -= written;
    }
}

[[noreturn]] void refuseWhatIsNoFile(const QString& path) {
    throw Error(QStringLiteral("Cannot export to %1: it is a device or a pipe, not a file. "
                               "Choose another file name")
                    .arg(QFileInfo(path).fileName()));
}

// Writes an existing regular file in place. Opened without waiting, and
// checked once open, so that a pipe or a device put in its place meanwhile
// is refused rather than waited on.
void writeDirectly(const QString& path, QByteArrayView bytes) {
    FileDescriptor file(::open(QFile::encodeName(path).constData(),
                               O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0)
        failWithErrno(errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        failWithErrno(errno);
    if (!S_ISREG(status.st_mode))
        refuseWhatIsNoFile(path);
    writeAll(file.get(), bytes);
    file.closeChecked();
}

// Removes the temporary file unless the rename has taken it over.
class TemporaryFileName {
public:
    explicit TemporaryFileName(QByteArray nativePath) : m_nativePath(std::move(nativePath)) {}
    ~TemporaryFileName() {
        if (!m_released)
            ::unlink(m_nativePath.constData());
    }
    TemporaryFileName(const TemporaryFileName&) = delete;
    TemporaryFileName& operator=(const TemporaryFileName&) = delete;

    const QByteArray& nativePath() const { return m_nativePath; }
    void release() { m_released = true; }

private:
    QByteArray m_nativePath;
    bool m_released = false;
};

// Creates a new, empty file beside target with the permissions a newly
// created file gets; returns its descriptor and sets nativePath, or returns -1
// with errno set.
int createTemporaryBeside(const QString& target, QByteArray& nativePath) {
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".savrona-export-") +
                             QString::number(QRandomGenerator::global()->generate(), 16) +
                             QStringLiteral(".tmp");
        nativePath = QFile::encodeName(info.dir().filePath(name));
        const int descriptor =
            ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

void replaceRegularFile(const QString& target, const struct stat* existing, QByteArrayView bytes) {
    QByteArray temporaryPath;
    const int descriptor = createTemporaryBeside(target, temporaryPath);
    if (descriptor < 0) {
        // A folder we may not write into may still hold a file we may write.
        if (existing && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            writeDirectly(target, bytes);
            return;
        }
        failWithErrno(errno);
    }
    FileDescriptor file(descriptor);
    TemporaryFileName temporary(temporaryPath);
    if (existing)
        ::fchmod(file.get(), existing->st_mode & 07777);
    writeAll(file.get(), bytes);
    if (::fsync(file.get()) != 0)
        failWithErrno(errno);
    file.closeChecked();
    if (::rename(temporary.nativePath().constData(), QFile::encodeName(target).constData()) != 0)
        failWithErrno(errno);
    temporary.release();
}

} // namespace

void writeExportFile(const QString& path, QByteArrayView bytes) {
    if (path.isEmpty())
        failWithErrno(ENOENT);
    // A link is followed, so the file it names is replaced and the link stays.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    const QByteArray nativeTarget = QFile::encodeName(target);

    struct stat existing {};
    if (::stat(nativeTarget.constData(), &existing) != 0) {
        if (errno != ENOENT)
            failWithErrno(errno);
        replaceRegularFile(target, nullptr, bytes);
        return;
    }
    if (S_ISDIR(existing.st_mode))
        failWithErrno(EISDIR);
    if (!S_ISREG(existing.st_mode))
        refuseWhatIsNoFile(target);
    // Refuse a file we may not write before anything is created or changed.
    {
        FileDescriptor probe(
            ::open(nativeTarget.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (probe.get() < 0)
            failWithErrno(errno);
    }
    replaceRegularFile(target, &existing, bytes);
}

int inputOutputErrorCode(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return code::invalidFilename;
    case EMFILE:
    case ENFILE:
        return code::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return code::fileAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return code::diskFull;
    case EBUSY:
    case ETXTBSY:
        return code::sharingViolation;
    case EEXIST:
        return code::fileExists;
    case EINVAL:
        return code::invalidParameter;
    case EIO:
        return code::deviceError;
    default:
        return code::generalFailure;
    }
}

QString inputOutputErrorMessage(int code) {
    switch (code) {
    case code::fileNotFound:
        return QStringLiteral("File not found");
    case code::invalidFilename:
        return QStringLiteral("Invalid filename");
    case code::tooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case code::fileAccessDenied:
        return QStringLiteral("File access denied");
    case code::readBeyondEndOfFile:
        return QStringLiteral("Read beyond end of file");
    case code::diskFull:
        return QStringLiteral("Disk full");
    case code::invalidNumericInput:
        return QStringLiteral("Invalid numeric input");
    default:
        return QStringLiteral("I/O error %1").arg(code);
    }
}

} // namespace savrona
