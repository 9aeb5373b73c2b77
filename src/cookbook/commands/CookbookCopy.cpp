// Writes the tables' data files into a folder the user chose, refusing one that holds a
// cookbook and leaving no half cookbook behind.
#include "cookbook/commands/CookbookCopy.h"

#include "data/Error.h"
#include "data/engine/Table.h"
#include "data/files/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace savrona {

namespace {

QString shown(const QString& folder) {
    return QDir::toNativeSeparators(folder);
}

QStringList dataFileNames(const std::vector<Table*>& tables) {
    QStringList names;
    for (const Table* table : tables) {
        if (!table->fileName().isEmpty())
            names.append(table->fileName());
    }
    return names;
}

// A link counts too, even one that leads nowhere: the file it names would be
// written.
bool isTaken(const QString& path) {
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

void refuseFolderHoldingACookbook(const QStringList& names, const QString& folder) {
    for (const QString& name : names + QStringList{dataFolderLockFileName}) {
        if (isTaken(QDir(folder).filePath(name)))
            throw Error(
                QStringLiteral("Cannot save the cookbook in %1: the folder holds a cookbook "
                               "already (%2). Choose another folder")
                    .arg(shown(folder), name));
    }
}

} // namespace

void saveCookbookCopy(const std::vector<Table*>& tables, const QString& folder) {
    if (!QFileInfo(folder).isDir())
        throw Error(QStringLiteral("Cannot save the cookbook in %1: there is no such folder")
                        .arg(shown(folder)));
    refuseFolderHoldingACookbook(dataFileNames(tables), folder);
    const std::shared_ptr<const DataFolder> target = DataFolder::atPath(folder);
    QStringList written;
    try {
        for (Table* table : tables) {
            table->writeCopyTo(*target);
            if (!table->fileName().isEmpty())
                written.append(table->fileName());
        }
    } catch (const Error& error) {
        for (const QString& name : written)
            QFile::remove(QDir(folder).filePath(name));
        throw Error(
            QStringLiteral("Nothing was saved in %1. %2").arg(shown(folder), error.message()));
    }
}

} // namespace savrona
