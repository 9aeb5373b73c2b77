// Listing, moving and linking files of a data folder through its descriptor.
#include "data/files/FolderEntries.h"

#include "data/Error.h"
#include "data/files/DataFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

std::vector<QByteArray> namesInFolder(int folderDescriptor) {
    std::vector<QByteArray> names;
    const int listing = ::openat(folderDescriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return names;
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::fdopendir(listing), ::closedir);
    if (!directory) {
        ::close(listing);
        return names;
    }
    while (const dirent* entry = ::readdir(directory.get()))
        names.emplace_back(entry->d_name);
    return names;
}

QStringList fileNamesIn(const DataFolder& folder) {
    QStringList fileNames;
    const int descriptor = folder.descriptor();
    if (descriptor < 0)
        return fileNames;
    for (const QByteArray& name : namesInFolder(descriptor)) {
        const QString fileName = QFile::decodeName(name);
        struct stat status {};
        if (QFile::encodeName(fileName) != name ||
            ::fstatat(descriptor, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode))
            continue;
        fileNames.append(fileName);
    }
    return fileNames;
}

namespace {

QString numberedName(const QString& fileName, int number) {
    if (number == 1)
        return fileName;
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? fileName + suffix : fileName.left(dot) + suffix + fileName.mid(dot);
}

[[noreturn]] void failToMove(const QString& fileName, const QString& subfolderName, int error) {
    throw Error(QStringLiteral("Cannot move %1 into the folder \"%2\": %3")
                    .arg(fileName, subfolderName, QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

QString moveIntoSubfolder(const DataFolder& folder, const QString& fileName,
                          const QString& subfolderName) {
    const int descriptor = folder.descriptor();
    const QByteArray subfolder = QFile::encodeName(subfolderName);
    if (descriptor < 0 ||
        (::mkdirat(descriptor, subfolder.constData(), 0777) != 0 && errno != EEXIST))
        failToMove(fileName, subfolderName, errno);
    const QByteArray source = QFile::encodeName(fileName);
    for (int number = 1;; ++number) {
        const QString target = numberedName(fileName, number);
        const QByteArray targetPath = subfolder + '/' + QFile::encodeName(target);
        // A link, then the old name goes: a name taken in the subfolder is never replaced.
        if (::linkat(descriptor, source.constData(), descriptor, targetPath.constData(), 0) == 0) {
            ::unlinkat(descriptor, source.constData(), 0);
            return target;
        }
        if (errno == EEXIST)
            continue;
        // A file system without links: renamed where the name is still free.
        struct stat status {};
        if (::fstatat(descriptor, targetPath.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (::renameat(descriptor, source.constData(), descriptor, targetPath.constData()) == 0)
            return target;
        failToMove(fileName, subfolderName, errno);
    }
}

namespace {

bool isTheFile(const struct stat& status, const FileIdentity& expected) {
    return std::uint64_t(status.st_dev) == expected.device &&
           std::uint64_t(status.st_ino) == expected.inode && status.st_size == expected.size;
}

bool copyFileTo(const DataFolder& folder, const QString& fileName, const FileIdentity& expected,
                const QString& targetPath) {
    try {
        auto contents = readDataFileContents(folder, fileName);
        if (!contents || contents->identity != expected)
            return false;
        writeDataFileAtomically(targetPath, contents->bytes, QFileInfo(targetPath).fileName());
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

bool keepFileAt(const DataFolder& folder, const QString& fileName, const FileIdentity& expected,
                const QString& targetPath) {
    const int descriptor = folder.descriptor();
    if (descriptor < 0)
        return false;
    const QByteArray target = QFile::encodeName(targetPath);
    const QByteArray linkPath = target + ".link";
    ::unlink(linkPath.constData());
    if (::linkat(descriptor, QFile::encodeName(fileName).constData(), AT_FDCWD,
                 linkPath.constData(), 0) != 0)
        return copyFileTo(folder, fileName, expected, targetPath);
    struct stat status {};
    if (::stat(linkPath.constData(), &status) != 0 || !isTheFile(status, expected) ||
        ::rename(linkPath.constData(), target.constData()) != 0) {
        ::unlink(linkPath.constData());
        return false;
    }
    return true;
}

} // namespace savrona
