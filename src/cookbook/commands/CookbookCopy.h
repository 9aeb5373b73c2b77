#pragma once

// Saving the cookbook's data files into another folder, when its own folder cannot take
// them.

#include <QString>

#include <vector>

namespace savrona {

class Table;

// Writes each table's data as it is in memory to its data file in folder
// (Table::writeCopyTo), each file replaced atomically. A folder that holds a
// cookbook already (one of the tables' data files, or the lock file of a copy
// of Savrona working there) is refused before anything is written: that
// cookbook would be overwritten. When a file cannot be written, the files
// written before it are removed again, so that the folder never holds half a
// cookbook. Throws Error with the message for the user.
void saveCookbookCopy(const std::vector<Table*>& tables, const QString& folder);

} // namespace savrona
