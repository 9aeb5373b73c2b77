#pragma once

// Keeps every export away from the cookbook's own data files and its lock file.

#include <QString>

namespace savrona {

class DataFolder;

// Throws Error when the file the user chose for an export is one of the
// cookbook's data files in dataFolder, or its lock file (.savrona.lock),
// however the path spells it: through a link, a hard link, "..", or a file
// that does not exist yet. Writing an export there would replace the cookbook
// with a text, or leave a lock that keeps Savrona off it.
// The data folder is told by its descriptor, so that a folder whose name is
// not valid UTF-8 is recognised too.
void refuseDataFileAsExportTarget(const QString& targetPath, const DataFolder& dataFolder);
void refuseDataFileAsExportTarget(const QString& targetPath, const QString& dataFolder);

} // namespace savrona
