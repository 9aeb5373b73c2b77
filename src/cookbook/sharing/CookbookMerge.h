#pragma once

// Merges two versions of the cookbook that computers sharing one data folder wrote from a
// common base, three ways, so that neither computer's work is lost.
//
// Records are matched by key, not by ID: a category by its name, a recipe by its title; a
// recipe's category is the name of its category in its own version (renames are followed,
// see CategoryRenames). Each record merges field by field against the base
// (see RecordMerge): a change made on one side is taken; a deletion on one side is taken
// when the other left the record as it was; a record one side changed and the other deleted
// is kept; a record missing from a version that the base did not hold either was added by
// the other side. When both sides changed a field differently, both recipes are kept, the
// second under a title that names where it came from (see ConflictCopies). The merged
// records keep their IDs where they do not collide (see assignIds).
//
// The result depends only on the content and the origins of the versions: swapping the sides
// gives the same rows in the same order (the summary's sides swapped), and merging the
// result again with a side that has not changed since gives the result again.

#include "cookbook/sharing/CookbookVersion.h"
#include "cookbook/sharing/MergeSummary.h"

namespace savrona {

struct MergedCookbook {
    CookbookRows rows; // each table in the order of the IDs
    MergeSummary summary;
};

// The base is the last version both sides share, as far as this computer knows: the last one
// it read from the other side or, after it wrote a merge, that merge; empty when there is none
// (then whatever the sides hold differently is a conflict). With an older base, a record the
// other side deleted after seeing it looks like one it never saw, and stays.
MergedCookbook mergeCookbooks(const CookbookRows& base, const CookbookVersion& ours,
                              const CookbookVersion& theirs);

} // namespace savrona
