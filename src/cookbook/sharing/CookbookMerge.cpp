// Merges the two sides record by record, adds the conflict copies, keeps the categories the
// merged recipes need and numbers the rows.
#include "cookbook/sharing/CookbookMerge.h"

#include "cookbook/sharing/CategoryRenames.h"
#include "cookbook/sharing/ConflictCopies.h"
#include "cookbook/sharing/IdAssignment.h"

#include <algorithm>
#include <set>

namespace savrona {

namespace {

template <typename Map>
const typename Map::mapped_type* find(const Map& records, const typename Map::key_type& key) {
    const auto found = records.find(key);
    return found == records.end() ? nullptr : &found->second;
}

template <typename Map>
std::vector<typename Map::key_type> keysOf(const Map& base, const Map& ours, const Map& theirs) {
    std::vector<typename Map::key_type> keys;
    keys.reserve(base.size() + ours.size() + theirs.size());
    for (const Map* records : {&base, &ours, &theirs})
        for (const auto& record : *records)
            keys.push_back(record.first);
    std::ranges::sort(keys, typename Map::key_compare());
    const auto same = [](const auto& left, const auto& right) {
        return !typename Map::key_compare()(left, right) &&
               !typename Map::key_compare()(right, left);
    };
    keys.erase(std::unique(keys.begin(), keys.end(), same), keys.end());
    return keys;
}

void sortById(std::vector<Row>& rows) {
    std::ranges::sort(rows, [](const Row& left, const Row& right) {
        return left.front().integer() < right.front().integer();
    });
}

QString textOf(const Value& value) {
    return value.isText() ? value.toQString() : QString();
}

class CookbookMerge {
public:
    CookbookMerge(const CookbookRows& base, const CookbookVersion& ours,
                  const CookbookVersion& theirs)
        : m_renames(base, ours.rows, theirs.rows), m_base(base, m_renames),
          m_ours(ours.rows, m_renames), m_theirs(theirs.rows, m_renames), m_ourOrigin(ours.origin),
          m_theirOrigin(theirs.origin) {}

    MergedCookbook run() {
        mergeRecipes();
        mergeCategories();
        return {CookbookRows{categoryRows(), recipeRows()}, m_summary};
    }

private:
    void mergeRecipes() {
        std::vector<std::pair<Value, RecipeMerge>> conflicts;
        for (const RecipeKey& key :
             keysOf(m_base.recipes(), m_ours.recipes(), m_theirs.recipes())) {
            const RecipeRecord* base = find(m_base.recipes(), key);
            const RecipeRecord* ours = find(m_ours.recipes(), key);
            const RecipeRecord* theirs = find(m_theirs.recipes(), key);
            RecipeMerge merge = mergeRecipe(base, ours, theirs);
            countRecipeChange(Side::Ours, changeOf(base, ours), merge);
            countRecipeChange(Side::Theirs, changeOf(base, theirs), merge);
            if (merge.kept)
                m_recipes.emplace(key, *merge.kept);
            if (merge.conflictCopy)
                conflicts.emplace_back(key.title, std::move(merge));
        }
        ConflictCopies copies(m_recipes);
        for (const auto& [title, merge] : conflicts) {
            const QString& origin = merge.copyFrom == Side::Ours ? m_ourOrigin : m_theirOrigin;
            if (const auto copyTitle = copies.add(title, *merge.conflictCopy, origin))
                m_summary.conflictCopies.push_back({*copyTitle, textOf(title), origin});
        }
    }

    void countRecipeChange(Side side, Change change, const RecipeMerge& merge) {
        const bool taken = change == Change::Deleted
                               ? !merge.kept
                               : merge.kept && !(merge.conflictCopy && merge.copyFrom == side);
        if (taken)
            m_summary.of(side).recipes.count(change);
    }

    void mergeCategories() {
        std::set<Value, ValueLess> holdingRecipes;
        for (const auto& [key, recipe] : m_recipes)
            if (recipe.category.found)
                holdingRecipes.insert(recipe.category.value);
        for (const Value& name :
             keysOf(m_base.categories(), m_ours.categories(), m_theirs.categories())) {
            const CategoryRecord* base = find(m_base.categories(), name);
            const CategoryRecord* ours = find(m_ours.categories(), name);
            const CategoryRecord* theirs = find(m_theirs.categories(), name);
            const auto kept = mergeCategory(base, ours, theirs, holdingRecipes.contains(name));
            countCategoryChange(Side::Ours, name, changeOf(base, ours), kept);
            countCategoryChange(Side::Theirs, name, changeOf(base, theirs), kept);
            if (kept)
                m_categories.emplace(name, *kept);
        }
    }

    void countCategoryChange(Side side, const Value& name, Change change,
                             const std::optional<CategoryRecord>& kept) {
        const auto renamedThere = [&](const CategoryRename& rename) {
            return rename.to == name && (side == Side::Ours ? rename.byOurs : rename.byTheirs);
        };
        if (change == Change::None && std::ranges::any_of(m_renames.renames(), renamedThere))
            change = Change::Changed;
        if (change == Change::Deleted ? !kept : kept.has_value())
            m_summary.of(side).categories.count(change);
    }

    // The IDs a merged record has on the sides, in order: tried when its own is taken.
    template <typename Map>
    static std::vector<Value> idsOnSides(const Map& ours, const Map& theirs,
                                         const typename Map::key_type& key) {
        std::vector<Value> ids;
        for (const auto* record : {find(ours, key), find(theirs, key)})
            if (record)
                ids.push_back(record->id);
        std::ranges::sort(ids, ValueLess());
        return ids;
    }

    std::vector<Row> categoryRows() {
        std::vector<IdChoice> choices;
        for (const auto& [name, category] : m_categories)
            choices.push_back(
                {category.id, idsOnSides(m_ours.categories(), m_theirs.categories(), name)});
        const std::vector<std::int32_t> ids = assignIds(choices);
        std::vector<Row> rows;
        auto id = ids.begin();
        for (const auto& [name, category] : m_categories) {
            m_categoryIds.emplace(name, *id);
            rows.push_back({Value::integer(*id++), category.subId, name});
        }
        sortById(rows);
        return rows;
    }

    std::vector<Row> recipeRows() const {
        std::vector<IdChoice> choices;
        for (const auto& [key, recipe] : m_recipes)
            choices.push_back({recipe.id, idsOnSides(m_ours.recipes(), m_theirs.recipes(), key)});
        const std::vector<std::int32_t> ids = assignIds(choices);
        std::vector<Row> rows;
        auto id = ids.begin();
        for (const auto& [key, recipe] : m_recipes) {
            Row row;
            row.reserve(recipeColumn::count);
            row.insert(row.end(),
                       {Value::integer(*id++), categoryIdOf(recipe.category), key.title});
            row.insert(row.end(), recipe.texts.begin(), recipe.texts.end());
            rows.push_back(std::move(row));
        }
        sortById(rows);
        return rows;
    }

    // A category the link names is always kept (see mergeCategories); an unmatched
    // CategoryID stays as it was.
    Value categoryIdOf(const CategoryLink& link) const {
        if (!link.found)
            return link.value;
        const auto id = m_categoryIds.find(link.value);
        return id == m_categoryIds.end() ? Value() : Value::integer(id->second);
    }

    CategoryRenames m_renames;
    KeyedCookbook m_base;
    KeyedCookbook m_ours;
    KeyedCookbook m_theirs;
    QString m_ourOrigin;
    QString m_theirOrigin;
    RecipeMap m_recipes;
    CategoryMap m_categories;
    std::map<Value, std::int32_t, ValueLess> m_categoryIds;
    MergeSummary m_summary;
};

} // namespace

MergedCookbook mergeCookbooks(const CookbookRows& base, const CookbookVersion& ours,
                              const CookbookVersion& theirs) {
    return CookbookMerge(base, ours, theirs).run();
}

} // namespace savrona
