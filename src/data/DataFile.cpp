// Reading data files (in slices on two threads, hashed as they arrive) and replacing
// them safely, synced to disk before success is reported.
#include "DataFile.h"

#include "BackgroundFileWriter.h"
#include "ContentHash.h"
#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

[[noreturn]] void throwCannotOpen(const QString& displayName) {
    throw Error(QStringLiteral("Cannot open file %1").arg(displayName));
}

[[noreturn]] void throwCannotCreate(const QString& displayName) {
    throw Error(QStringLiteral("Cannot create file %1").arg(displayName));
}

bool syncFileDescriptor(int descriptor) {
    int result = 0;
    do {
        result = ::fsync(descriptor);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Makes the rename itself durable. A file system that cannot sync a folder
// (EINVAL) has nothing more to flush.
bool syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = syncFileDescriptor(descriptor) || errno == EINVAL;
    ::close(descriptor);
    return synced;
}

FileIdentity identityFrom(const struct stat& status) {
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
            std::int64_t(status.st_size),
            std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// Opens an existing data file for reading; nothing when it is missing.
std::optional<std::unique_ptr<QFile>> openDataFile(const QString& path,
                                                   const QString& displayName) {
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // A folder, a pipe or a device in the file's place is no data file (and a
    // pipe or a device could block or never end).
    if (!info.isFile())
        throwCannotOpen(displayName);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
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

FileIdentity identityOfOpenFile(const QFile& file, const QString& displayName) {
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0)
        throwCannotOpen(displayName);
    return identityFrom(status);
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
std::optional<DataFileContents>
readWholeFileInSlices(const QFile& file, const FileIdentity& identity, const QString& displayName) {
    QByteArray bytes(qsizetype(identity.size), Qt::Uninitialized);
    adviseHugePages(bytes);
    const auto hash =
        hashSlicesInParallel(contentHashSliceCount(bytes.size()),
                             [&bytes, descriptor = file.handle()](qsizetype first, qsizetype end,
                                                                  std::uint64_t* sliceHashes) {
                                 return readFileSlices(descriptor, bytes, first, end, sliceHashes);
                             });
    if (!hash || identityOfOpenFile(file, displayName) != identity)
        return std::nullopt;
    return DataFileContents{std::move(bytes), identity, *hash};
}

} // namespace

std::optional<DataFileContents> readDataFileContents(const QString& path,
                                                     const QString& displayName) {
    const auto file = openDataFile(path, displayName);
    if (!file)
        return std::nullopt;
    const FileIdentity identity = identityOfOpenFile(**file, displayName);
    if (identity.size > 0) {
        if (auto contents = readWholeFileInSlices(**file, identity, displayName))
            return contents;
    }
    // Empty by its size, or changed while it was read: whatever it holds now.
    const FileIdentity identityNow = identityOfOpenFile(**file, displayName);
    QByteArray bytes = (*file)->readAll();
    if ((*file)->error() != QFileDevice::NoError)
        throwCannotOpen(displayName);
    if (bytes.isEmpty())
        return std::nullopt;
    const std::uint64_t hash = hashOfContent(bytes);
    return DataFileContents{std::move(bytes), identityNow, hash};
}

std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName) {
    auto contents = readDataFileContents(path, displayName);
    if (!contents)
        return std::nullopt;
    return std::move(contents->bytes);
}

std::optional<FileFingerprint> fingerprintDataFile(const QString& path,
                                                   const QString& displayName) {
    const auto file = openDataFile(path, displayName);
    if (!file)
        return std::nullopt;
    const FileIdentity identity = identityOfOpenFile(**file, displayName);
    if (identity.size == 0)
        return std::nullopt;
    const auto hash =
        hashSlicesInParallel(contentHashSliceCount(identity.size),
                             [descriptor = (*file)->handle(), size = identity.size](
                                 qsizetype first, qsizetype end, std::uint64_t* sliceHashes) {
                                 return hashFileSlices(descriptor, size, first, end, sliceHashes);
                             });
    if (!hash)
        throwCannotOpen(displayName);
    // A file written in place while it was hashed has another identity now,
    // so its fingerprint matches nothing.
    return FileFingerprint{identityOfOpenFile(**file, displayName), *hash};
}

std::optional<FileIdentity> identityOfFile(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return identityFrom(status);
}

void writeDataFileAtomically(const QString& path, QByteArrayView bytes,
                             const QString& displayName) {
    writeDataFileAtomically(
        path, [bytes](const ChunkWriter& write) { write(bytes); }, displayName);
}

std::uint64_t writeDataFileAtomically(const QString& path,
                                      const std::function<void(const ChunkWriter&)>& produce,
                                      const QString& displayName) {
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit, dropping the temporary file on any failure (or
    // when an exception leaves before the commit). Its commit syncs the file
    // but ignores a failed sync, and never syncs the folder: both are done
    // here, so that success means the data is on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throwCannotCreate(displayName);
    // Declared after the file, so that its thread is joined before the file
    // is closed.
    BackgroundFileWriter writer(file.handle());
    produce([&](QByteArrayView chunk) {
        // Throws to stop the making of a file that can no longer be written.
        if (!writer.append(chunk))
            throwCannotCreate(displayName);
    });
    if (!writer.finish() || !syncFileDescriptor(file.handle()))
        throwCannotCreate(displayName);
    if (!file.commit() || !syncFolderOf(path))
        throwCannotCreate(displayName);
    return writer.contentHash();
}

} // namespace savrona
