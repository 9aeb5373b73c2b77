// Merges one recipe or category of the two sides against the base, field by field.
#include "cookbook/sharing/RecordMerge.h"

namespace savrona {

namespace {

// The value both sides agree on, or the one that a side changed against the base; none when
// both changed it differently or, without a base, simply differ.
template <typename Field>
std::optional<Field> mergedField(const Field* base, const Field& ours, const Field& theirs) {
    if (ours == theirs)
        return ours;
    if (base && ours == *base)
        return theirs;
    if (base && theirs == *base)
        return ours;
    return std::nullopt;
}

// For the numbers that never make a conflict: the smaller one.
Value mergedNumber(const Value* base, const Value& ours, const Value& theirs) {
    if (std::optional<Value> merged = mergedField(base, ours, theirs))
        return *merged;
    return compareValues(ours, theirs) < 0 ? ours : theirs;
}

template <typename Record>
std::optional<Record> keptFromOneSide(const Record* base, const Record& present) {
    if (base && base->sameContent(present))
        return std::nullopt;
    return present;
}

RecipeMerge conflict(const RecipeRecord& ours, const RecipeRecord& theirs, bool oursWins) {
    if (oursWins)
        return {ours, theirs, Side::Theirs};
    return {theirs, ours, Side::Ours};
}

} // namespace

RecipeMerge mergeRecipe(const RecipeRecord* base, const RecipeRecord* ours,
                        const RecipeRecord* theirs) {
    if (!ours || !theirs) {
        if (!ours && !theirs)
            return {};
        return {keptFromOneSide(base, ours ? *ours : *theirs), std::nullopt};
    }
    bool conflicting = false;
    RecipeRecord merged;
    merged.texts.reserve(ours->texts.size());
    merged.id = mergedNumber(base ? &base->id : nullptr, ours->id, theirs->id);
    if (auto link = mergedField(base ? &base->category : nullptr, ours->category, theirs->category))
        merged.category = *link;
    else
        conflicting = true;
    for (std::size_t text = 0; text < ours->texts.size(); ++text) {
        const Value* baseText = base ? &base->texts[text] : nullptr;
        if (auto value = mergedField(baseText, ours->texts[text], theirs->texts[text]))
            merged.texts.push_back(*value);
        else
            conflicting = true;
    }
    if (conflicting)
        return conflict(*ours, *theirs, compareContent(*ours, *theirs) < 0);
    return {std::move(merged), std::nullopt};
}

std::optional<CategoryRecord> mergeCategory(const CategoryRecord* base, const CategoryRecord* ours,
                                            const CategoryRecord* theirs, bool holdsRecipes) {
    if (!ours || !theirs) {
        if (!ours && !theirs)
            return std::nullopt;
        const CategoryRecord& present = ours ? *ours : *theirs;
        if (holdsRecipes)
            return present;
        return keptFromOneSide(base, present);
    }
    return CategoryRecord{mergedNumber(base ? &base->id : nullptr, ours->id, theirs->id),
                          mergedNumber(base ? &base->subId : nullptr, ours->subId, theirs->subId)};
}

} // namespace savrona
