// Takes the data folder's lock file with QLockFile and words the refusal of a second
// copy.
#include "platform/DataFolderLock.h"

#include "data/files/DataFolder.h"

#include <QDir>
#include <QSysInfo>

namespace savrona {

namespace {

const QString& lockFileName = dataFolderLockFileName;

} // namespace

DataFolderLock::DataFolderLock(const QString& folder)
    : m_folder(folder), m_lock(QDir(folder).filePath(lockFileName)) {
    // Held for the whole run: a lock is stale only when its process is gone,
    // never by its age alone.
    m_lock.setStaleLockTime(0);
}

bool DataFolderLock::acquire() {
    if (m_lock.tryLock(0))
        return true;
    return m_lock.error() != QLockFile::LockFailedError;
}

QString DataFolderLock::refusal() const {
    qint64 processId = 0;
    QString hostName;
    QString application;
    const bool known = m_lock.getLockInfo(&processId, &hostName, &application);
    QString text = QStringLiteral("Savrona is already open on this cookbook (%1).")
                       .arg(QDir::toNativeSeparators(QDir(m_folder).absolutePath()));
    text += QStringLiteral("\rOnly one copy of Savrona can work on a cookbook at a time, so that "
                           "neither overwrites the other's changes. Switch to the open copy, or "
                           "close it and start Savrona again.");
    // A lock from another computer (a shared or synchronised folder) cannot be
    // checked from here.
    if (known && !hostName.isEmpty() && hostName != QSysInfo::machineHostName())
        text += QStringLiteral("\rIt is open on the computer %1. If Savrona no longer runs "
                               "there, delete the file %2 in the cookbook's folder.")
                    .arg(hostName, lockFileName);
    return text;
}

} // namespace savrona
