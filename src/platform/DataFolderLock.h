#pragma once

// One copy of Savrona per cookbook: a lock file in the data folder, held for the whole
// run.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace savrona {

class LockFileOwner;

// The lock file ".savrona.lock" in a data folder (by default the current
// directory, which is the data folder), held until the object is destroyed,
// so that a second copy of the program on the same folder cannot overwrite
// the first one's files.
//
// A lock file whose content names no copy that may still run (left by a
// crash or a kill, or empty or garbled by a power cut) is stale and taken
// over. Anything else under that name (a folder, a link, a named pipe, a
// socket, a device) is never opened, followed or removed: the refusal names
// it, so that the user can remove it.
class DataFolderLock {
public:
    explicit DataFolderLock(const QString& folder = QStringLiteral("."));
    // Removes the lock file, when it is still the one this object created.
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the lock. False when another copy holds it, or when its place is
    // taken by something that is not a lock file; refusal() then says so. A
    // folder that takes no lock file (read-only) is no reason to stop: no
    // copy can save anything there, and folderIsReadOnly() tells.
    bool acquire();
    // "Savrona is already open on this cookbook ...", naming the holder, or
    // what stands in the lock file's place.
    QString refusal() const { return m_refusal; }
    bool folderIsReadOnly() const { return m_readOnly; }
    // "The folder ... is read-only: ...", for a warning at start.
    QString readOnlyNotice() const;

private:
    enum class Step { Held, Refused, GoOnUnlocked, TryAgain };

    Step create();
    Step hold(int descriptor);
    Step takeOverStale();
    Step goOnUnlocked(int errorNumber);
    Step refuse(const QString& text);

    QString alreadyOpen(const LockFileOwner* owner) const;
    QString notALockFile(mode_t mode) const;
    QString unreadable(int errorNumber) const;
    QString folderShown() const;
    QString pathShown() const;

    QString m_folder;
    QByteArray m_path;
    QString m_refusal;
    bool m_readOnly = false;
    // The lock file while held: kept open, so that its inode cannot be given
    // to another file, which the end would then take for this one.
    int m_descriptor = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

} // namespace savrona
