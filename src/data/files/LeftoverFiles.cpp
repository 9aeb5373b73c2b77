// Finds our writers' temporary files in the data folder by their names, and removes
// those older than this copy's lock.
#include "data/files/LeftoverFiles.h"

#include "data/files/AtomicFile.h"
#include "data/files/DataFolder.h"
#include "data/files/FileDescriptor.h"
#include "data/files/FolderEntries.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace savrona {

namespace {

// "recipes.xml", "recipes (conflict 2024-05-01 134502).xml" or
// "recipes (conflict 2024-05-01 134502 2).xml", then a dot and six or seven
// base-36 digits, a letter and a digit among them.
QRegularExpression earlierTemporaryName(const QString& dataFileName) {
    const QFileInfo name(dataFileName);
    const QString suffix = name.suffix().isEmpty() ? QString() : QLatin1Char('.') + name.suffix();
    return QRegularExpression(
        QStringLiteral("^%1( \\(conflict \\d{4}-\\d{2}-\\d{2} \\d{6}( \\d+)?\\))?%2"
                       "\\.(?=[0-9a-z]*[0-9])(?=[0-9a-z]*[a-z])[0-9a-z]{6,7}$")
            .arg(QRegularExpression::escape(name.completeBaseName()),
                 QRegularExpression::escape(suffix)));
}

class TemporaryNames {
public:
    explicit TemporaryNames(const QStringList& dataFileNames) {
        for (const QString& name : dataFileNames)
            m_earlier.push_back(earlierTemporaryName(name));
    }

    bool matches(const QByteArray& name) const {
        if (AtomicFile::isTemporaryName(name))
            return true;
        const QString decoded = QFile::decodeName(name);
        for (const QRegularExpression& pattern : m_earlier) {
            if (pattern.match(decoded).hasMatch())
                return true;
        }
        return false;
    }

private:
    std::vector<QRegularExpression> m_earlier;
};

bool isOlder(const timespec& first, const timespec& second) {
    return first.tv_sec < second.tv_sec ||
           (first.tv_sec == second.tv_sec && first.tv_nsec < second.tv_nsec);
}

} // namespace

int removeLeftoverTemporaryFiles(const DataFolder& folder, const QStringList& dataFileNames) {
    const int descriptor = folder.descriptor();
    struct stat lock {};
    if (descriptor < 0 ||
        ::fstatat(descriptor, QFile::encodeName(dataFolderLockFileName).constData(), &lock,
                  AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(lock.st_mode))
        return 0;
    const TemporaryNames temporaryNames(dataFileNames);
    int removed = 0;
    for (const QByteArray& name : namesInFolder(descriptor)) {
        if (!temporaryNames.matches(name))
            continue;
        struct stat status {};
        if (::fstatat(descriptor, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || !isOlder(status.st_mtim, lock.st_mtim))
            continue;
        if (::unlinkat(descriptor, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace savrona
