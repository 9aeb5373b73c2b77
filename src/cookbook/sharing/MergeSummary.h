#pragma once

// What a merge did, for the user to read: the conflict copies it made and, per side, how
// many of that side's changes the merged cookbook took.

#include "cookbook/sharing/RecordMerge.h"

#include <QString>

#include <vector>

namespace savrona {

struct TakenChanges {
    int added = 0;
    int changed = 0;
    int deleted = 0;

    void count(Change change) {
        if (change == Change::Added)
            ++added;
        else if (change == Change::Changed)
            ++changed;
        else if (change == Change::Deleted)
            ++deleted;
    }
    bool operator==(const TakenChanges&) const = default;
};

struct SideChanges {
    TakenChanges recipes;
    TakenChanges categories; // a rename counts as a change
    bool operator==(const SideChanges&) const = default;
};

struct ConflictCopy {
    QString title;  // the copy's
    QString copyOf; // the title of the recipe it is a copy of
    QString origin; // of the version it came from
    bool operator==(const ConflictCopy&) const = default;
};

struct MergeSummary {
    SideChanges ours;
    SideChanges theirs;
    // In the order of the titles they are copies of.
    std::vector<ConflictCopy> conflictCopies;

    SideChanges& of(Side side) { return side == Side::Ours ? ours : theirs; }
    bool operator==(const MergeSummary&) const = default;
};

} // namespace savrona
