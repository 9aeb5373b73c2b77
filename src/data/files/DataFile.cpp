// Reading data files (in slices on two threads, hashed as they arrive) relative to
// their folder's descriptor, and replacing them through AtomicFile with the data
// files' own messages.
#include "data/files/DataFile.h"

#include "data/Error.h"
#include "data/files/AtomicFile.h"
#include "data/files/ContentHash.h"
#include "data/files/DataFolder.h"
#include "data/files/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace savrona {

namespace {

[[noreturn]] void throwCannotOpen(const QString& displayName) {
    throw Error(QStringLiteral("Cannot open file %1").arg(displayName));
}

// Why a write failed, in words that follow "Cannot create file recipes.xml: ".
QString reasonOf(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("the disk is full");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("the data folder cannot be found");
    case ENOMEM:
        return QStringLiteral("there is not enough memory");
    default:
        break;
    }
    QString text = QString::fromLocal8Bit(std::strerror(errorNumber));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

[[noreturn]] void throwCannotCreate(const QString& displayName, const QString& reason) {
    throw WriteError(WriteError::Kind::Failed,
                     QStringLiteral("Cannot create file %1").arg(displayName), reason);
}

[[noreturn]] void throwCannotCreate(const QString& displayName, int errorNumber) {
    throwCannotCreate(displayName, reasonOf(errorNumber));
}

// A folder that takes no new file cannot have a file in it replaced safely,
// even when the file itself may be written: said so, since the file's own
// permissions would not tell the user why.
[[noreturn]] void throwFolderReadOnly(const QString& displayName) {
    throw WriteError(WriteError::Kind::Failed,
                     QStringLiteral("Cannot create file %1: the data folder is read-only, and "
                                    "Savrona saves a file by writing its new version beside it "
                                    "first")
                         .arg(displayName),
                     QStringLiteral("the data folder is read-only"));
}

FileIdentity identityFrom(const struct stat& status) {
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
            std::int64_t(status.st_size),
            std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// Opens an existing data file for reading; nothing when it (or its folder) is
// missing. Opened without waiting, so that a pipe or a device in the file's
// place is refused rather than waited on.
std::optional<FileDescriptor> openDataFile(const DataFolder& folder, const QString& fileName,
                                           const QString& displayName) {
    const int folderDescriptor = folder.descriptor();
    if (folderDescriptor < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throwCannotOpen(displayName);
    }
    FileDescriptor file(::openat(folderDescriptor, QFile::encodeName(fileName).constData(),
                                 O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen()) {
        if (errno == ENOENT)
            return std::nullopt;
        throwCannotOpen(displayName);
    }
    struct stat status {};
    // A folder, a pipe or a device in the file's place is no data file.
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        throwCannotOpen(displayName);
    return file;
}

// Reads and hashes the slices [first, end) of a file of size bytes, one
// slice at a time. A slice that comes back short (the file shrank) is hashed
// as read: the result then matches nothing.
bool hashFileSlices(int descriptor, qint64 size, qsizetype first, qsizetype end,
                    std::uint64_t* sliceHashes) {
    const auto buffer = std::make_unique_for_overwrite<char[]>(std::size_t(contentHashSliceSize));
    for (qsizetype slice = first; slice < end; ++slice) {
        const qint64 start = qint64(slice) * contentHashSliceSize;
        const qsizetype length = qsizetype(std::min<qint64>(contentHashSliceSize, size - start));
        qsizetype filled = 0;
        while (filled < length) {
            const ssize_t read = ::pread(descriptor, buffer.get() + filled,
                                         std::size_t(length - filled), start + filled);
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0)
                return false;
            if (read == 0)
                break;
            filled += read;
        }
        sliceHashes[slice] = hashOfSlice(QByteArrayView(buffer.get(), filled), slice);
    }
    return true;
}

// Reads the slices [first, end) of the file straight into their places in
// bytes, hashing each while it is fresh in the cache. False when the file
// comes back shorter than bytes (it shrank) or a read fails.
bool readFileSlices(int descriptor, QByteArray& bytes, qsizetype first, qsizetype end,
                    std::uint64_t* sliceHashes) {
    char* const data = bytes.data();
    for (qsizetype slice = first; slice < end; ++slice) {
        const qsizetype start = slice * contentHashSliceSize;
        const qsizetype length = std::min(contentHashSliceSize, bytes.size() - start);
        qsizetype filled = 0;
        while (filled < length) {
            const ssize_t read = ::pread(descriptor, data + start + filled,
                                         std::size_t(length - filled), start + filled);
            if (read < 0 && errno == EINTR)
                continue;
            if (read <= 0)
                return false;
            filled += read;
        }
        sliceHashes[slice] = hashOfSlice(QByteArrayView(data + start, length), slice);
    }
    return true;
}

// A big buffer filled once: huge pages spare the kernel a fault every 4 KiB.
void adviseHugePages(QByteArray& bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = std::uintptr_t(1) << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t begin = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (start + std::uintptr_t(bytes.size())) & ~(hugePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(bytes);
#endif
}

FileIdentity identityOfOpenFile(int descriptor, const QString& displayName) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        throwCannotOpen(displayName);
    return identityFrom(status);
}

// Whatever the file holds now, read to its end from its first byte.
QByteArray readToEnd(int descriptor, const QString& displayName) {
    QByteArray bytes;
    char buffer[64 * 1024];
    for (qint64 offset = 0;;) {
        const ssize_t read = ::pread(descriptor, buffer, sizeof buffer, offset);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            throwCannotOpen(displayName);
        if (read == 0)
            return bytes;
        bytes.append(buffer, read);
        offset += read;
    }
}

// The first dataFileStartSize bytes, for the check of a file's start.
QByteArray readStart(int descriptor, const QString& displayName) {
    QByteArray bytes(dataFileStartSize, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t read =
            ::pread(descriptor, bytes.data() + filled, std::size_t(bytes.size() - filled), filled);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            throwCannotOpen(displayName);
        if (read == 0)
            break;
        filled += read;
    }
    bytes.truncate(filled);
    return bytes;
}

} // namespace

std::uint64_t hashOfContent(QByteArrayView bytes) {
    const auto hash = hashSlicesInParallel(
        contentHashSliceCount(bytes.size()),
        [bytes](qsizetype first, qsizetype end, std::uint64_t* sliceHashes) {
            for (qsizetype slice = first; slice < end; ++slice) {
                const qsizetype start = slice * contentHashSliceSize;
                sliceHashes[slice] = hashOfSlice(
                    bytes.sliced(start, std::min(contentHashSliceSize, bytes.size() - start)),
                    slice);
            }
            return true;
        });
    return *hash; // hashing bytes in memory cannot fail
}

namespace {

// The whole file as its size says, read and hashed slice by slice on two
// threads; nothing when the file changed while it was read.
std::optional<DataFileContents> readWholeFileInSlices(int descriptor, const FileIdentity& identity,
                                                      const QString& displayName) {
    QByteArray bytes(qsizetype(identity.size), Qt::Uninitialized);
    adviseHugePages(bytes);
    const auto hash = hashSlicesInParallel(
        contentHashSliceCount(bytes.size()),
        [&bytes, descriptor](qsizetype first, qsizetype end, std::uint64_t* sliceHashes) {
            return readFileSlices(descriptor, bytes, first, end, sliceHashes);
        });
    if (!hash || identityOfOpenFile(descriptor, displayName) != identity)
        return std::nullopt;
    return DataFileContents{std::move(bytes), identity, *hash};
}

std::optional<DataFileContents> readContents(const DataFolder& folder, const QString& fileName,
                                             const QString& displayName,
                                             const StartCheck& checkStart) {
    const auto file = openDataFile(folder, fileName, displayName);
    if (!file)
        return std::nullopt;
    const FileIdentity identity = identityOfOpenFile(file->get(), displayName);
    if (checkStart && identity.size > dataFileStartSize)
        checkStart(readStart(file->get(), displayName));
    if (identity.size > 0) {
        if (auto contents = readWholeFileInSlices(file->get(), identity, displayName))
            return contents;
    }
    // Empty by its size, or changed while it was read: whatever it holds now.
    const FileIdentity identityNow = identityOfOpenFile(file->get(), displayName);
    QByteArray bytes = readToEnd(file->get(), displayName);
    if (bytes.isEmpty())
        return std::nullopt;
    const std::uint64_t hash = hashOfContent(bytes);
    return DataFileContents{std::move(bytes), identityNow, hash};
}

std::optional<FileFingerprint> fingerprintOf(const DataFolder& folder, const QString& fileName,
                                             const QString& displayName) {
    const auto file = openDataFile(folder, fileName, displayName);
    if (!file)
        return std::nullopt;
    const FileIdentity identity = identityOfOpenFile(file->get(), displayName);
    if (identity.size == 0)
        return std::nullopt;
    const auto hash =
        hashSlicesInParallel(contentHashSliceCount(identity.size),
                             [descriptor = file->get(), size = identity.size](
                                 qsizetype first, qsizetype end, std::uint64_t* sliceHashes) {
                                 return hashFileSlices(descriptor, size, first, end, sliceHashes);
                             });
    if (!hash)
        throwCannotOpen(displayName);
    // A file written in place while it was hashed has another identity now,
    // so its fingerprint matches nothing.
    return FileFingerprint{identityOfOpenFile(file->get(), displayName), *hash};
}

// Every file of a folder that is gone fails alike: one message says so, and
// that nothing is lost.
[[noreturn]] void throwFolderGone(const DataFolder& folder) {
    const QString path = QDir::toNativeSeparators(folder.path());
    throw WriteError(
        WriteError::Kind::FolderGone,
        QStringLiteral("The cookbook's folder %1 is gone (moved or deleted). Your "
                       "recipes are safe in memory: make the folder again, or choose "
                       "File, Exit and save them elsewhere.")
            .arg(path),
        QStringLiteral("the cookbook's folder %1 is gone (moved or deleted)").arg(path));
}

// Words a failed replacement of a data file for the user.
[[noreturn]] void throwWriteError(const FileReplaceError& failure, const DataFolder& folder,
                                  const QString& displayName) {
    const int error = failure.errorNumber();
    if (failure.kind() == FileReplaceError::Kind::Failed && (error == ENOENT || error == ENOTDIR) &&
        folder.isGone())
        throwFolderGone(folder);
    switch (failure.kind()) {
    case FileReplaceError::Kind::FolderTakesNoFile:
        throwFolderReadOnly(displayName);
    case FileReplaceError::Kind::TargetNotWritable:
        throwCannotCreate(displayName, QStringLiteral("the file is read-only"));
    case FileReplaceError::Kind::TargetIsNoFile:
        throwCannotCreate(displayName, QStringLiteral("it is a device or a pipe, not a file"));
    case FileReplaceError::Kind::Failed:
    case FileReplaceError::Kind::TargetIsFolder:
        break;
    }
    throwCannotCreate(displayName, failure.errorNumber());
}

// The replacement begun in folder. A folder deleted and made again may still
// be held as it was, where nothing can be created (ENOENT): the one at its
// path is taken then, and the replacement begun there.
std::unique_ptr<AtomicFile> beginReplacement(const DataFolder& folder, const QString& fileName) {
    const int held = folder.descriptor();
    try {
        return std::make_unique<AtomicFile>(folder, fileName);
    } catch (const FileReplaceError& failure) {
        if (failure.kind() != FileReplaceError::Kind::Failed || failure.errorNumber() != ENOENT ||
            !folder.reopenAfterFailedCreate(held))
            throw;
    }
    return std::make_unique<AtomicFile>(folder, fileName);
}

std::uint64_t writeAtomically(const DataFolder& folder, const QString& fileName,
                              const std::function<void(const ChunkWriter&)>& produce,
                              const QString& displayName) {
    try {
        const std::unique_ptr<AtomicFile> file = beginReplacement(folder, fileName);
        produce([&file](QByteArrayView chunk) { file->write(chunk); });
        return file->commit();
    } catch (const FileReplaceError& failure) {
        throwWriteError(failure, folder, displayName);
    }
}

// A path's folder and file name.
std::pair<std::shared_ptr<const DataFolder>, QString> splitPath(const QString& path) {
    const QFileInfo info(path);
    return {DataFolder::atPath(info.path()), info.fileName()};
}

} // namespace

std::optional<DataFileContents> readDataFileContents(const DataFolder& folder,
                                                     const QString& fileName,
                                                     const StartCheck& checkStart) {
    return readContents(folder, fileName, fileName, checkStart);
}

std::optional<FileFingerprint> fingerprintDataFile(const DataFolder& folder,
                                                   const QString& fileName) {
    return fingerprintOf(folder, fileName, fileName);
}

std::optional<FileIdentity> identityOfFile(const DataFolder& folder, const QString& fileName) {
    struct stat status {};
    if (folder.descriptor() < 0 ||
        ::fstatat(folder.descriptor(), QFile::encodeName(fileName).constData(), &status, 0) != 0)
        return std::nullopt;
    return identityFrom(status);
}

std::uint64_t writeDataFileAtomically(const DataFolder& folder, const QString& fileName,
                                      const std::function<void(const ChunkWriter&)>& produce) {
    return writeAtomically(folder, fileName, produce, fileName);
}

std::optional<DataFileContents> readDataFileContents(const QString& path,
                                                     const QString& displayName) {
    const auto [folder, fileName] = splitPath(path);
    return readContents(*folder, fileName, displayName, {});
}

std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName) {
    auto contents = readDataFileContents(path, displayName);
    if (!contents)
        return std::nullopt;
    return std::move(contents->bytes);
}

std::optional<FileFingerprint> fingerprintDataFile(const QString& path,
                                                   const QString& displayName) {
    const auto [folder, fileName] = splitPath(path);
    return fingerprintOf(*folder, fileName, displayName);
}

std::optional<FileIdentity> identityOfFile(const QString& path) {
    const auto [folder, fileName] = splitPath(path);
    return identityOfFile(*folder, fileName);
}

void writeDataFileAtomically(const QString& path, QByteArrayView bytes,
                             const QString& displayName) {
    writeDataFileAtomically(
        path, [bytes](const ChunkWriter& write) { write(bytes); }, displayName);
}

std::uint64_t writeDataFileAtomically(const QString& path,
                                      const std::function<void(const ChunkWriter&)>& produce,
                                      const QString& displayName) {
    const auto [folder, fileName] = splitPath(path);
    return writeAtomically(*folder, fileName, produce, displayName);
}

} // namespace savrona
