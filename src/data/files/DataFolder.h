#pragma once

// The folder the data files live in, held open by a descriptor for the whole run.

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

namespace savrona {

// A folder whose files are opened by their names relative to it (openat and
// its kin), so that they are found whatever bytes the folder's own name holds
// (a name that is not valid UTF-8 never goes through a QString) and wherever
// the current directory moves later.
//
// A folder named by a path that cannot be opened yet is opened again at each
// use, so that a folder created later is found.
class DataFolder {
public:
    // The process's current directory, held from now on.
    static std::shared_ptr<const DataFolder> currentDirectory();
    static std::shared_ptr<const DataFolder> atPath(const QString& path);

    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // A descriptor of the folder for the *at() calls, or -1 with errno set
    // when it cannot be opened.
    int descriptor() const;

private:
    explicit DataFolder(QByteArray nativePath);

    QByteArray m_nativePath;
    // Opened at the first use; a table's writer thread uses the folder too.
    mutable std::mutex m_opening;
    mutable int m_descriptor = -1;
};

} // namespace savrona
