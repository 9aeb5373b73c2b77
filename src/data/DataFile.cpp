#include "DataFile.h"

#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
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

constexpr qsizetype hashSliceSize = qsizetype(1) << 20;

FileIdentity identityFrom(const struct stat& status) {
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino),
            std::int64_t(status.st_size),
            std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::uint64_t hashSlice(QByteArrayView slice, std::uint64_t hash) {
    return qHash(slice, size_t(hash));
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

FileIdentity identityOfOpenFile(const QFile& file, const QString& displayName) {
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0)
        throwCannotOpen(displayName);
    return identityFrom(status);
}

} // namespace

namespace {

// hashOfContent over bytes that come in chunks of any size.
class SliceHasher {
public:
    void add(QByteArrayView bytes) {
        while (!bytes.isEmpty()) {
            if (m_pending.isEmpty() && bytes.size() >= hashSliceSize) {
                m_hash = hashSlice(bytes.first(hashSliceSize), m_hash);
                bytes = bytes.sliced(hashSliceSize);
                continue;
            }
            const qsizetype taken = std::min(hashSliceSize - m_pending.size(), bytes.size());
            m_pending.append(bytes.first(taken));
            bytes = bytes.sliced(taken);
            if (m_pending.size() == hashSliceSize) {
                m_hash = hashSlice(m_pending, m_hash);
                m_pending.clear();
            }
        }
    }
    std::uint64_t finish() {
        if (!m_pending.isEmpty())
            m_hash = hashSlice(m_pending, m_hash);
        m_pending.clear();
        return m_hash;
    }

private:
    std::uint64_t m_hash = QHashSeed::globalSeed();
    QByteArray m_pending;
};

// Asks the kernel to start writing a range to disk now; the flush at the end
// still waits for all of it, so a failure here changes nothing.
void startWritingToDisk(int descriptor, qint64 offset, qint64 length) {
    ::sync_file_range(descriptor, offset, length, SYNC_FILE_RANGE_WRITE);
}

} // namespace

std::uint64_t hashOfContent(QByteArrayView bytes) {
    SliceHasher hasher;
    hasher.add(bytes);
    return hasher.finish();
}

std::optional<DataFileContents> readDataFileContents(const QString& path,
                                                     const QString& displayName) {
    const auto file = openDataFile(path, displayName);
    if (!file)
        return std::nullopt;
    const FileIdentity identity = identityOfOpenFile(**file, displayName);
    QByteArray bytes = (*file)->readAll();
    if ((*file)->error() != QFileDevice::NoError)
        throwCannotOpen(displayName);
    if (bytes.isEmpty())
        return std::nullopt;
    return DataFileContents{std::move(bytes), identity};
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
    FileFingerprint fingerprint{identityOfOpenFile(**file, displayName), QHashSeed::globalSeed()};
    // One slice at a time, the same slices as hashOfContent: the file is
    // never held whole.
    QByteArray slice(hashSliceSize, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        qint64 filled = 0;
        while (filled < hashSliceSize) {
            const qint64 read = (*file)->read(slice.data() + filled, hashSliceSize - filled);
            if (read < 0)
                throwCannotOpen(displayName);
            if (read == 0)
                break;
            filled += read;
        }
        if (filled == 0)
            break;
        fingerprint.contentHash =
            hashSlice(QByteArrayView(slice.constData(), filled), fingerprint.contentHash);
        total += filled;
        if (filled < hashSliceSize)
            break;
    }
    if (total == 0)
        return std::nullopt;
    return fingerprint;
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
    // the target on commit, dropping the temporary file on any failure. Its
    // commit syncs the file but ignores a failed sync, and never syncs the
    // folder: both are done here, so that success means the data is on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throwCannotCreate(displayName);
    SliceHasher hasher;
    qint64 offset = 0;
    bool written = true;
    produce([&](QByteArrayView chunk) {
        if (!written)
            return;
        written = file.write(chunk.data(), chunk.size()) == chunk.size() && file.flush();
        if (!written)
            return;
        hasher.add(chunk);
        startWritingToDisk(file.handle(), offset, chunk.size());
        offset += chunk.size();
    });
    written = written && syncFileDescriptor(file.handle());
    if (!written) {
        file.cancelWriting(); // the destructor then removes the temporary file
        throwCannotCreate(displayName);
    }
    if (!file.commit() || !syncFolderOf(path))
        throwCannotCreate(displayName);
    return hasher.finish();
}

} // namespace savrona
