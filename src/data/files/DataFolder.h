#pragma once

// The folder the data files live in, held open by a descriptor for the whole run.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace savrona {

// The lock file that keeps a second copy of Savrona off a data folder
// (platform/DataFolderLock); no export may replace it.
inline const QString dataFolderLockFileName = QStringLiteral(".savrona.lock");

// A folder whose files are opened by their names relative to it (openat and
// its kin), so that they are found whatever bytes the folder's own name holds
// (a name that is not valid UTF-8 never goes through a QString) and wherever
// the current directory moves later.
//
// A folder named by a path that cannot be opened yet is opened again at each
// use, so that a folder created later is found. The folder's absolute path is
// noted when it is first opened: a folder deleted while it is held (removed
// from outside while Savrona runs) is opened again by that path as soon as a
// folder stands there again, so that the data can be written once the user
// has made it anew. A folder moved elsewhere stays held where it went.
class DataFolder {
public:
    // The process's current directory, held from now on.
    static std::shared_ptr<const DataFolder> currentDirectory();
    static std::shared_ptr<const DataFolder> atPath(const QString& path);

    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // A descriptor of the folder for the *at() calls, or -1 with errno set
    // when it cannot be opened (ENOENT while a folder held was deleted and
    // none stands at its path). A descriptor handed out stays valid as long
    // as the DataFolder: one thread may still use it while another finds the
    // folder deleted and opens its successor.
    int descriptor() const;

    // Called when creating a file in descriptor failed with ENOENT, which only
    // a deleted folder answers: opens the folder at the path again. True when
    // another folder is held now, so that the creation is worth trying again.
    bool reopenAfterFailedCreate(int descriptor) const;

    // Whether the folder was opened once and is gone now: deleted (or moved
    // away while not held) with no folder at its path.
    bool isGone() const;
    // The absolute path noted when the folder was first opened, for messages;
    // the path as given while it never was.
    QString path() const;
    // How often a deleted folder was replaced by the one at its path: records
    // read from a file of an earlier folder stand in for its missing file.
    std::uint64_t replacements() const;

private:
    explicit DataFolder(QByteArray nativePath);

    int descriptorLocked() const;
    bool openAtPathLocked() const;
    bool replaceLocked(int newDescriptor) const;

    QByteArray m_nativePath;
    // Opened at the first use; a table's writer thread uses the folder too.
    mutable std::mutex m_opening;
    mutable int m_descriptor = -1;
    mutable QByteArray m_absolutePath;  // noted at the first opening
    mutable std::vector<int> m_retired; // deleted folders' descriptors
    mutable std::uint64_t m_replacements = 0;
};

} // namespace savrona
