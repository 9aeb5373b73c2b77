#pragma once

// One copy of Savrona per cookbook: a lock file in the data folder, held for the whole
// run.

#include <QLockFile>
#include <QString>

namespace savrona {

// The lock file ".savrona.lock" in a data folder (by default the current
// directory, which is the data folder), held until the object is destroyed,
// so that a second copy of the program on the same folder cannot overwrite
// the first one's files. A lock left by a copy that ended without removing
// it (a crash, a kill) is taken over when that copy's process is gone.
class DataFolderLock {
public:
    explicit DataFolderLock(const QString& folder = QStringLiteral("."));

    // Takes the lock. False when another running copy holds it; refusal()
    // then says so. A folder that takes no lock file (read-only) is no
    // reason to stop: no copy can save anything there.
    bool acquire();
    // "Savrona is already open on this cookbook ...", naming the holder.
    QString refusal() const;

private:
    QString m_folder;
    QLockFile m_lock;
};

} // namespace savrona
