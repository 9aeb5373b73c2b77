#pragma once

// The names in a data folder, and moving or linking files from it: what sharing a folder
// with a sync engine needs besides reading and writing the data files.

#include "data/files/DataFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace savrona {

class DataFolder;

// The names of the entries of the folder a descriptor holds, as the file system stores
// them; nothing when it cannot be listed.
std::vector<QByteArray> namesInFolder(int folderDescriptor);

// The names of the regular files in the folder that read as file names (valid in the
// locale's encoding); nothing when it cannot be listed.
QStringList fileNamesIn(const DataFolder& folder);

// Moves the file into the folder's subfolder of that name, made when missing, under its own
// name or, when that is taken there, with " (2)", " (3)" ... before its extension; never
// over another file. Returns the name it has there. Throws Error saying which file could not
// be moved, and why.
QString moveIntoSubfolder(const DataFolder& folder, const QString& fileName,
                          const QString& subfolderName);

// Keeps the data file as it is at targetPath, outside the folder, for as long as that stays
// there: a second link to the same file where the file system allows one (the data file is
// always replaced by a rename, never written in place), else a copy of its bytes. Only the
// file that expected names is kept: a file replaced since is not. Returns whether it was
// kept; throws nothing.
bool keepFileAt(const DataFolder& folder, const QString& fileName, const FileIdentity& expected,
                const QString& targetPath);

} // namespace savrona
