// Writes an export file through AtomicFile, so that a failed write leaves the old
// file intact, and maps system errors to the input/output messages shown.
#include "cookbook/exchange/ExportFileWriter.h"

#include "data/Error.h"
#include "data/files/BackgroundFileWriter.h"
#include "data/files/DataFolder.h"
#include "data/files/FileDescriptor.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

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

// Names the file in the message as the file system does: a link that leads
// to a device is told by the device's name.
[[noreturn]] void refuseWhatIsNoFile(const QString& path) {
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    throw Error(QStringLiteral("Cannot export to %1: it is a device or a pipe, not a file. "
                               "Choose another file name")
                    .arg(QFileInfo(target).fileName()));
}

[[noreturn]] void failWith(const FileReplaceError& failure, const QString& path) {
    if (failure.kind() == FileReplaceError::Kind::TargetIsNoFile)
        refuseWhatIsNoFile(path);
    failWithErrno(failure.errorNumber());
}

// A folder we may not write into may still hold a file we may write.
bool mayWriteInPlace(const FileReplaceError& failure, const QString& path) {
    return failure.kind() == FileReplaceError::Kind::FolderTakesNoFile && QFileInfo::exists(path);
}

// All the bytes produce makes, before anything is written in place: an
// export stopped while it is made leaves the file as it was.
QByteArray gatheredBytes(const std::function<void(const ChunkWriter&)>& produce) {
    QByteArray bytes;
    produce([&bytes](QByteArrayView chunk) { bytes.append(chunk); });
    return bytes;
}

// Writes an existing regular file in place, when no new file can be made
// beside it. Opened without waiting, and checked once open, so that a pipe or
// a device put in its place meanwhile is refused rather than waited on.
void writeInPlace(const QString& path, QByteArrayView bytes) {
    FileDescriptor file(::open(QFile::encodeName(path).constData(),
                               O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen())
        failWithErrno(errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        failWithErrno(errno);
    if (!S_ISREG(status.st_mode))
        refuseWhatIsNoFile(path);
    {
        BackgroundFileWriter writer(file.get());
        if (!writer.append(bytes) || !writer.finish())
            failWithErrno(writer.errorNumber());
    }
    if (!file.close())
        failWithErrno(errno);
}

} // namespace

void writeExportFile(const QString& path, QByteArrayView bytes) {
    writeExportFile(path, [bytes](const ChunkWriter& write) { write(bytes); });
}

void writeExportFile(const QString& path, const std::function<void(const ChunkWriter&)>& produce) {
    if (path.isEmpty())
        failWithErrno(ENOENT);
    const QFileInfo info(path);
    const std::shared_ptr<const DataFolder> folder = DataFolder::atPath(info.path());
    std::optional<AtomicFile> file;
    try {
        file.emplace(*folder, info.fileName());
    } catch (const FileReplaceError& failure) {
        if (!mayWriteInPlace(failure, path))
            failWith(failure, path);
        writeInPlace(path, gatheredBytes(produce));
        return;
    }
    try {
        produce([&file](QByteArrayView chunk) { file->write(chunk); });
        file->commit();
    } catch (const FileReplaceError& failure) {
        failWith(failure, path);
    }
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
