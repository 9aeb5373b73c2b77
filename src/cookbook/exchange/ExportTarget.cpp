// Tells whether an export target is one of the cookbook's data files, by the
// identity of the file (device and inode) or of its folder and name.
#include "cookbook/exchange/ExportTarget.h"

#include "data/Error.h"
#include "data/files/DataFolder.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

namespace savrona {

namespace {

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

// Of a file in the folder, or of the folder itself when name is ".".
std::optional<FileIdentity> identityIn(const DataFolder& folder, const char* name) {
    struct stat status {};
    if (folder.descriptor() < 0 || ::fstatat(folder.descriptor(), name, &status, 0) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

[[noreturn]] void refuse(const QString& dataFileName) {
    throw Error(QStringLiteral("Cannot export to %1: it is one of the cookbook's data files. "
                               "Choose another file name")
                    .arg(dataFileName));
}

} // namespace

void refuseDataFileAsExportTarget(const QString& targetPath, const DataFolder& dataFolder) {
    const QFileInfo target(targetPath);
    const std::optional<FileIdentity> targetFile = identityOf(targetPath);
    const std::optional<FileIdentity> targetFolder = identityOf(target.absolutePath());
    const std::optional<FileIdentity> cookbookFolder = identityIn(dataFolder, ".");
    // The lock file too: an export there would be removed at exit, and one
    // left by a crash would keep Savrona off the cookbook.
    for (const QString& name : {categoriesFileName, recipesFileName, dataFolderLockFileName}) {
        const std::optional<FileIdentity> dataFile =
            identityIn(dataFolder, QFile::encodeName(name).constData());
        if (targetFile && dataFile && *targetFile == *dataFile)
            refuse(name);
        // A data file not written yet: the same folder and the same name.
        if (targetFolder && cookbookFolder && *targetFolder == *cookbookFolder &&
            target.fileName() == name)
            refuse(name);
    }
}

void refuseDataFileAsExportTarget(const QString& targetPath, const QString& dataFolder) {
    refuseDataFileAsExportTarget(targetPath, *DataFolder::atPath(dataFolder));
}

} // namespace savrona
