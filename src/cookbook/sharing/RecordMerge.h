#pragma once

// The three-way merge of one record found by its key in the base and on both sides: which
// record the merged cookbook keeps under that key, compared field by field with the base.

#include "cookbook/sharing/KeyedCookbook.h"

#include <optional>

namespace savrona {

enum class Side { Ours, Theirs };

// What one side did to a record, against the base.
enum class Change { None, Added, Changed, Deleted };

template <typename Record> Change changeOf(const Record* base, const Record* side) {
    if (!base)
        return side ? Change::Added : Change::None;
    if (!side)
        return Change::Deleted;
    return base->sameContent(*side) ? Change::None : Change::Changed;
}

struct RecipeMerge {
    // Under the key; none when the recipe is deleted.
    std::optional<RecipeRecord> kept;
    // When both sides changed one field differently, or added the title with different
    // content: the losing side's recipe as it has it, to keep under another title.
    std::optional<RecipeRecord> conflictCopy;
    Side copyFrom = Side::Ours;
};

// A recipe missing on one side is deleted there when the base has it, and then stays deleted
// unless the other side changed it; missing from the base too, the other side added it.
// On both sides, each field takes the side that changed it against the base. When both
// changed a field differently, the side whose recipe sorts first (see compareContent) keeps
// the title with its whole recipe, and the other one's whole recipe is the copy: the choice
// rests on the two recipes alone, never on the base or on which side is which, so that every
// computer that merges the same two recipes chooses alike. The ID, which only numbers the
// row, merges like a field but takes the smaller number when both sides changed it.
RecipeMerge mergeRecipe(const RecipeRecord* base, const RecipeRecord* ours,
                        const RecipeRecord* theirs);

// Categories merge like recipes, but their only field besides the name, SubID, never makes a
// conflict: the smaller number is taken. A category that merged recipes still belong to is
// kept even when one side deleted it.
std::optional<CategoryRecord> mergeCategory(const CategoryRecord* base, const CategoryRecord* ours,
                                            const CategoryRecord* theirs, bool holdsRecipes);

} // namespace savrona
