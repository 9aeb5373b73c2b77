#pragma once

// What this computer keeps about a shared data folder, outside it: per data file, the base
// (the version it last took from another computer) and its own version (the file as this
// computer last wrote or held it), so that a merge after a restart knows both.

#include "data/Value.h"
#include "data/files/DataFile.h"

#include <QString>

#include <optional>

namespace savrona {

class DataFolder;

class SharingState {
public:
    // The state folder of a data folder: under $XDG_STATE_HOME (~/.local/state), in
    // Savrona/<folder name>-<a hash of its path>; never inside the data folder, which a sync
    // engine would carry to the other computers.
    static QString folderFor(const QString& dataFolderPath);

    explicit SharingState(QString folder) : m_folder(std::move(folder)) {}
    const QString& folder() const { return m_folder; }

    QString basePath(const QString& fileName) const;
    QString ownPath(const QString& fileName) const;

    // Keeps the data file, as expected names it, as the base or as the own version; false
    // when it could not (then the one kept before stays).
    bool keepBase(const DataFolder& data, const QString& fileName, const FileIdentity& expected);
    // Keeps these rows as the base; false when they could not be written.
    bool keepBaseRows(const QString& fileName, const Packet& rows);
    bool keepOwn(const DataFolder& data, const QString& fileName, const FileIdentity& expected);
    // The identity the data file had when it was kept as the own version.
    std::optional<FileIdentity> ownIdentity(const QString& fileName) const;

private:
    bool keep(const DataFolder& data, const QString& fileName, const FileIdentity& expected,
              const QString& path);

    QString m_folder;
};

} // namespace savrona
