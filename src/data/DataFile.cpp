#include "DataFile.h"

#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
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

} // namespace

std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName) {
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    // A folder, a pipe or a device in the file's place is no data file (and a
    // pipe or a device could block or never end).
    if (!info.isFile())
        throwCannotOpen(displayName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwCannotOpen(displayName);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throwCannotOpen(displayName);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

void writeDataFileAtomically(const QString& path, QByteArrayView bytes,
                             const QString& displayName) {
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit, dropping the temporary file on any failure. Its
    // commit syncs the file but ignores a failed sync, and never syncs the
    // folder: both are done here, so that success means the data is on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throwCannotCreate(displayName);
    const bool written = file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush() &&
                         syncFileDescriptor(file.handle());
    if (!written) {
        file.cancelWriting(); // the destructor then removes the temporary file
        throwCannotCreate(displayName);
    }
    if (!file.commit() || !syncFolderOf(path))
        throwCannotCreate(displayName);
}

} // namespace savrona
