#pragma once

// Merges into the cookbook what a sync engine brought into the data folder from other
// computers: a data file replaced by another computer's version, and the conflict copies
// of the data files that the engine (or Savrona itself) made.

#include "cookbook/sharing/ConflictCopyNames.h"
#include "cookbook/sharing/CookbookVersion.h"
#include "cookbook/sharing/MergeSummary.h"
#include "cookbook/sharing/SharingState.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <set>

namespace savrona {

class DataFolder;
class Table;

// The folder merged copies are moved into, beside the data files.
inline const QString mergedCopiesFolderName = QStringLiteral("Merged copies");

struct FolderMergeReport {
    QStringList versionsMerged; // the files whose versions were merged in
    QStringList copiesMoved;    // the conflict copies moved into "Merged copies"
    MergeSummary summary;       // "theirs": what the other versions brought
    bool tablesChanged = false;
};

// Works on the two tables of the cookbook while they are open and at rest. Each data file
// merges three ways (mergeCookbooks): ours is what the table holds, theirs the version
// another computer wrote, and the base the version this computer last took from another
// one, kept in the SharingState. A version arrives in one of three ways:
//   - the data file was replaced since the table last read or wrote it;
//   - the table read such a file when it reopened (a command's rebuild): then ours is the
//     own version kept in the state, the file as this computer last held it, and theirs is
//     what the table read; after a restart it is the same;
//   - a conflict copy of a data file: merged in after the files, each against the part of
//     the base it holds (a record it lacks was never deleted by it), then moved into
//     "Merged copies".
// A version that cannot be read (half-synced, damaged) is left as it is and tried again
// once it has changed. Merged rows that equal the file's are taken without a write, so two
// computers that merged the same versions stop writing.
class SharedFolder {
public:
    SharedFolder(Table& categories, Table& recipes, SharingState state);

    // Whether something may have arrived: cheap enough to ask every second.
    bool hasArrivals() const;
    // Merges what arrived into the tables; nothing when nothing arrived or it could not
    // be read. The tables write the merged rows at their next close.
    std::optional<FolderMergeReport> mergeArrivals();
    // Keeps the files the tables hold, as they wrote or read them, as this computer's own
    // versions; called at rest and at exit, once the writes are done.
    void keepOwnVersions();

private:
    struct TableVersion;
    struct Arrival;

    std::shared_ptr<const DataFolder> folder() const;
    TableVersion versionOf(Table& table) const;
    std::optional<Arrival> arrivalOf(Table& table, const TableVersion& held) const;
    std::vector<ConflictCopyName>
    mergeConflictCopies(const CookbookRows& base, const CookbookRows& onDisk,
                        const QString& ourOrigin, CookbookRows& merged, FolderMergeReport& report);
    void keepBase(Table& table, const std::optional<Arrival>& arrival, std::size_t keyColumn);
    static bool adopt(Table& table, const TableVersion& held, const std::optional<Arrival>& arrival,
                      std::vector<Row> merged);
    std::vector<Row> rowsFrom(Table& table, QByteArray&& bytes) const;
    std::optional<std::vector<Row>> rowsKept(Table& table, const QString& path) const;
    QStringList conflictCopiesWaiting() const;
    bool isUnreadable(const QString& fileName) const;
    void markUnreadable(const QString& fileName);

    Table& m_categories;
    Table& m_recipes;
    SharingState m_state;
    // Files that could not be read (or moved), by name and identity: tried again once changed.
    std::set<QString> m_unreadable;
};

} // namespace savrona
