#pragma once

// Tells the conflict copies of the data files in the folder apart from other files: the
// ones sync engines make when two computers changed a file at once, and Savrona's own.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace savrona {

struct ConflictCopyName {
    QString copyName;     // as it stands in the folder
    QString dataFileName; // the data file it is a copy of, "recipes.xml"
    // What follows the data file's stem: copies of both files made at one conflict share it,
    // " (conflict 2026-12-08 101400).xml", ".sync-conflict-20261208-101400-ABCDEFG.xml".
    QString pairKey;
};

// The conflict copy of one of the data files that fileName names, if it names one:
//   recipes.sync-conflict-20261208-101400-ABCDEFG.xml      (Syncthing)
//   recipes (conflicted copy 2026-12-08 101400).xml        (Nextcloud)
//   recipes (Laptop's conflicted copy 2026-12-08).xml      (Dropbox)
//   recipes (conflict 2026-12-08 101400).xml, ... 2).xml   (Savrona's own)
// Letter case is ignored in the fixed words, as folders on some systems ignore it.
std::optional<ConflictCopyName> readConflictCopyName(const QString& fileName,
                                                     const QStringList& dataFileNames);

// A copy of each data file made at one conflict, or of only one of them.
struct ConflictCopyGroup {
    QString pairKey;
    std::vector<ConflictCopyName> copies; // at most one per data file
};

// The conflict copies among the names, grouped by their pair key, in the order of the keys:
// every computer that holds the same copies merges them in the same order.
std::vector<ConflictCopyGroup> groupConflictCopies(const QStringList& fileNames,
                                                   const QStringList& dataFileNames);

} // namespace savrona
