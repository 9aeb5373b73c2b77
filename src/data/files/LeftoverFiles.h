#pragma once

// Removing the temporary files that a write cut short by a kill or a crash left in the
// data folder.

#include <QStringList>

namespace savrona {

class DataFolder;

// Removes, without a word, the temporary files our writers left in folder
// when they were stopped mid-write: AtomicFile's ".savrona-<number>.tmp", and
// "<data file>.<number>" of earlier versions (recipes.xml.15c3mzy; also
// beside a conflict copy of a data file), where the number is a random
// 32-bit one in base 36. Only regular files named so, and older than the lock
// file (dataFolderLockFileName) that this copy of Savrona holds, are
// removed: every write of ours that could still be under way began after
// that. Of the older names, only those of six or seven letters and digits,
// with at least one of each, count as ours, so that "recipes.xml.backup" or
// "recipes.xml.2024" stay. Nothing happens without a lock file. Returns how
// many files were removed.
int removeLeftoverTemporaryFiles(const DataFolder& folder, const QStringList& dataFileNames);

} // namespace savrona
