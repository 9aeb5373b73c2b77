// Writes a file's new version beside it, syncs it to disk and renames it over the
// old one; every file is opened relative to its folder's descriptor.
#include "data/files/AtomicFile.h"

#include "data/files/BackgroundFileWriter.h"
#include "data/files/DataFolder.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

using Kind = FileReplaceError::Kind;

bool syncFileDescriptor(int descriptor) {
    int result = 0;
    do {
        result = ::fsync(descriptor);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Makes the rename itself durable. A file system that cannot sync a folder
// (EINVAL) has nothing more to flush.
bool syncFolder(int folder) {
    const FileDescriptor descriptor(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!descriptor.isOpen())
        return false;
    return syncFileDescriptor(descriptor.get()) || errno == EINVAL;
}

const QByteArray temporaryPrefix = QByteArrayLiteral(".savrona-");
const QByteArray temporarySuffix = QByteArrayLiteral(".tmp");

// A hidden name of a fixed length, so that a long file name still leaves
// room for it and a file left by a crash does not stand out.
QByteArray temporaryName() {
    return temporaryPrefix + QByteArray::number(QRandomGenerator::global()->generate(), 36) +
           temporarySuffix;
}

bool isBase36Digit(char character) {
    return (character >= '0' && character <= '9') || (character >= 'a' && character <= 'z');
}

} // namespace

AtomicFile::AtomicFile(const DataFolder& folder, const QString& fileName) {
    m_folder = folder.descriptor();
    if (m_folder < 0)
        throw FileReplaceError(Kind::Failed, errno);
    followLinks(QFile::encodeName(fileName));
    const std::optional<mode_t> permissions = permissionsOfReplaceableTarget();
    createTemporary();
    try {
        if (permissions)
            ::fchmod(m_temporary.get(), *permissions);
        m_writer = std::make_unique<BackgroundFileWriter>(m_temporary.get());
    } catch (...) {
        removeTemporary();
        throw;
    }
}

AtomicFile::~AtomicFile() {
    m_writer.reset(); // its thread is done with the file before the file goes
    if (!m_renamed)
        removeTemporary();
}

// A 32-bit number in base 36 takes one to seven digits.
bool AtomicFile::isTemporaryName(QByteArrayView name) {
    if (!name.startsWith(temporaryPrefix) || !name.endsWith(temporarySuffix))
        return false;
    const QByteArrayView number = name.sliced(
        temporaryPrefix.size(),
        std::max<qsizetype>(name.size() - temporaryPrefix.size() - temporarySuffix.size(), 0));
    return !number.isEmpty() && number.size() <= 7 &&
           std::all_of(number.begin(), number.end(), isBase36Digit);
}

void AtomicFile::write(QByteArrayView chunk) {
    if (!m_writer->append(chunk))
        throw FileReplaceError(Kind::Failed, m_writer->errorNumber());
}

std::uint64_t AtomicFile::commit() {
    if (!m_writer->finish())
        throw FileReplaceError(Kind::Failed, m_writer->errorNumber());
    const std::uint64_t contentHash = m_writer->contentHash();
    m_writer.reset();
    if (!syncFileDescriptor(m_temporary.get()) || !m_temporary.close())
        throw FileReplaceError(Kind::Failed, errno);
    m_renamed =
        ::renameat(m_folder, m_temporaryName.constData(), m_folder, m_name.constData()) == 0;
    if (!m_renamed || !syncFolder(m_folder))
        throw FileReplaceError(Kind::Failed, errno);
    return contentHash;
}

// Follows the name through symbolic links to the file itself, and to the
// folder that holds it (kept open when it is not the folder given). A link
// that leads nowhere readable is left as the name to replace.
void AtomicFile::followLinks(QByteArray name) {
    m_name = std::move(name);
    for (int depth = 0; depth < 40; ++depth) {
        char link[PATH_MAX];
        const ssize_t length = ::readlinkat(m_folder, m_name.constData(), link, sizeof link);
        if (length <= 0 || length == ssize_t(sizeof link))
            return;
        const QByteArray path(link, qsizetype(length));
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0) {
            m_name = path;
            continue;
        }
        const QByteArray folderPath = slash == 0 ? QByteArray("/") : path.first(slash);
        const QByteArray fileName = path.sliced(slash + 1);
        FileDescriptor linkFolder(::openat(path.startsWith('/') ? AT_FDCWD : m_folder,
                                           folderPath.constData(),
                                           O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!linkFolder.isOpen() || fileName.isEmpty())
            return;
        m_linkFolder = std::move(linkFolder);
        m_folder = m_linkFolder.get();
        m_name = fileName;
    }
}

// The permissions of the file replaced, nothing when there is none yet.
// Refuses what may not be replaced; only a regular file is opened, without
// waiting, and only to learn whether it may be written: a file the user made
// read-only stays as it is.
std::optional<mode_t> AtomicFile::permissionsOfReplaceableTarget() const {
    if (m_name.isEmpty()) // a path that ends in a slash names its folder
        throw FileReplaceError(Kind::TargetIsFolder, EISDIR);
    struct stat status {};
    if (::fstatat(m_folder, m_name.constData(), &status, 0) != 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw FileReplaceError(Kind::Failed, errno);
    }
    if (S_ISDIR(status.st_mode))
        throw FileReplaceError(Kind::TargetIsFolder, EISDIR);
    if (!S_ISREG(status.st_mode))
        throw FileReplaceError(Kind::TargetIsNoFile, 0);
    const FileDescriptor probe(
        ::openat(m_folder, m_name.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!probe.isOpen())
        throw FileReplaceError(Kind::TargetNotWritable, errno);
    return status.st_mode & 07777;
}

void AtomicFile::createTemporary() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporaryName = temporaryName();
        m_temporary = FileDescriptor(::openat(m_folder, m_temporaryName.constData(),
                                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (m_temporary.isOpen())
            return;
        const int error = errno;
        m_temporaryName.clear();
        if (error == EEXIST)
            continue;
        if (error == EACCES || error == EPERM || error == EROFS)
            throw FileReplaceError(Kind::FolderTakesNoFile, error);
        throw FileReplaceError(Kind::Failed, error);
    }
    throw FileReplaceError(Kind::Failed, EEXIST);
}

void AtomicFile::removeTemporary() {
    if (!m_temporaryName.isEmpty())
        ::unlinkat(m_folder, m_temporaryName.constData(), 0);
}

} // namespace savrona
