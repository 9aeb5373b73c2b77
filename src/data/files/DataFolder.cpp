// Opens the data folder once, by its path or as the current directory, keeps its
// descriptor, and opens it again by its absolute path when the folder held was deleted.
#include "data/files/DataFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

int openFolder(const QByteArray& path) {
    return ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// A folder removed while it is held keeps its descriptor, but no link to it
// is left.
bool isDeleted(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && status.st_nlink == 0;
}

bool isSameFolder(int first, int second) {
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::fstat(first, &firstStatus) == 0 && ::fstat(second, &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

QByteArray absolutePathOf(const QByteArray& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved) == nullptr)
        return {};
    return QByteArray(resolved);
}

} // namespace

std::shared_ptr<const DataFolder> DataFolder::currentDirectory() {
    std::shared_ptr<const DataFolder> folder(new DataFolder(QByteArrayLiteral(".")));
    folder->descriptor(); // held now, before the current directory can move
    return folder;
}

std::shared_ptr<const DataFolder> DataFolder::atPath(const QString& path) {
    return std::shared_ptr<const DataFolder>(
        new DataFolder(QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path)));
}

DataFolder::DataFolder(QByteArray nativePath) : m_nativePath(std::move(nativePath)) {}

DataFolder::~DataFolder() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    for (const int retired : m_retired)
        ::close(retired);
}

int DataFolder::descriptor() const {
    const std::lock_guard lock(m_opening);
    return descriptorLocked();
}

int DataFolder::descriptorLocked() const {
    if (m_descriptor < 0)
        return openAtPathLocked() ? m_descriptor : -1;
    if (!isDeleted(m_descriptor))
        return m_descriptor;
    const int successor = m_absolutePath.isEmpty() ? -1 : openFolder(m_absolutePath);
    if (successor < 0 || !replaceLocked(successor)) {
        errno = ENOENT;
        return -1;
    }
    return m_descriptor;
}

// The first opening notes where the folder is, for opening it again.
bool DataFolder::openAtPathLocked() const {
    m_descriptor = openFolder(m_nativePath);
    if (m_descriptor < 0)
        return false;
    if (m_absolutePath.isEmpty())
        m_absolutePath = absolutePathOf(m_nativePath);
    return true;
}

// Holds newDescriptor in place of the folder held; the old descriptor stays
// open for whoever still uses it. False (newDescriptor closed) when it is no
// usable successor: the same folder, or one deleted already.
bool DataFolder::replaceLocked(int newDescriptor) const {
    if (isDeleted(newDescriptor) || isSameFolder(newDescriptor, m_descriptor)) {
        ::close(newDescriptor);
        return false;
    }
    m_retired.push_back(m_descriptor);
    m_descriptor = newDescriptor;
    ++m_replacements;
    return true;
}

bool DataFolder::reopenAfterFailedCreate(int descriptor) const {
    const std::lock_guard lock(m_opening);
    if (m_descriptor < 0 || descriptor < 0)
        return false;
    if (descriptor != m_descriptor)
        return true; // replaced meanwhile
    if (m_absolutePath.isEmpty())
        return false;
    const int successor = openFolder(m_absolutePath);
    return successor >= 0 && replaceLocked(successor);
}

bool DataFolder::isGone() const {
    const std::lock_guard lock(m_opening);
    return !m_absolutePath.isEmpty() && descriptorLocked() < 0;
}

QString DataFolder::path() const {
    const std::lock_guard lock(m_opening);
    if (!m_absolutePath.isEmpty())
        return QFile::decodeName(m_absolutePath);
    return QFileInfo(QFile::decodeName(m_nativePath)).absoluteFilePath();
}

std::uint64_t DataFolder::replacements() const {
    const std::lock_guard lock(m_opening);
    return m_replacements;
}

} // namespace savrona
