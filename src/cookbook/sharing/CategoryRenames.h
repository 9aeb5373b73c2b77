#pragma once

// Renaming a category keeps its ID and changes its name, which is its key: the merge alone
// would see the old name deleted and a new one added, and the recipes the other side kept or
// added in the old one left behind. So the renames are found by ID and made in all three
// versions as they are keyed: the recipes of every version follow the new name.

#include "cookbook/sharing/CookbookVersion.h"

#include <cstdint>
#include <map>
#include <vector>

namespace savrona {

struct CategoryRename {
    std::int32_t id = 0;
    Value to;
    // Which sides gave the category that name.
    bool byOurs = false;
    bool byTheirs = false;
};

class CategoryRenames {
public:
    // A category of the base counts as renamed when one category in every version has its ID,
    // one side or both gave it a new name, and:
    // - a side that renamed it no longer holds the old name,
    // - the new name is that side's or, when the sides renamed it differently, the one of the
    //   two that sorts first (the other name gives way: one category cannot have both),
    // - neither the base nor a side that has another name for the category holds the new name.
    // Anything else stays a deletion and an addition of names.
    CategoryRenames(const CookbookRows& base, const CookbookRows& ours, const CookbookRows& theirs);

    const std::vector<CategoryRename>& renames() const { return m_renames; }

    // The name of the category of this ID and name once the renames are made.
    const Value& nameOf(const Value& id, const Value& name) const;

private:
    std::vector<CategoryRename> m_renames;
    std::map<std::int32_t, Value> m_newNames;
};

} // namespace savrona
