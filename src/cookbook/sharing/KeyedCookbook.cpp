// Keys one version's rows: categories by name, recipes by title, links by category name.
#include "cookbook/sharing/KeyedCookbook.h"

#include <algorithm>
#include <utility>

namespace savrona {

namespace {

std::vector<Value> recipeTexts(const Row& row) {
    std::vector<Value> texts;
    texts.reserve(recipeColumn::count - recipeColumn::firstText);
    for (std::size_t column = recipeColumn::firstText; column < recipeColumn::count; ++column)
        texts.push_back(cell(row, column));
    return texts;
}

} // namespace

std::strong_ordering compareLinks(const CategoryLink& left, const CategoryLink& right) {
    if (left.found != right.found)
        return left.found <=> right.found;
    return compareValues(left.value, right.value);
}

std::strong_ordering compareContent(const RecipeRecord& left, const RecipeRecord& right) {
    if (const auto byLink = compareLinks(left.category, right.category); byLink != 0)
        return byLink;
    for (std::size_t text = 0; text < left.texts.size(); ++text)
        if (const auto byText = compareValues(left.texts[text], right.texts[text]); byText != 0)
            return byText;
    return std::strong_ordering::equal;
}

KeyedCookbook::KeyedCookbook(const CookbookRows& rows, const CategoryRenames& renames) {
    keyCategories(rows.categories, renames);
    keyRecipes(rows.recipes);
}

void KeyedCookbook::keyCategories(const std::vector<Row>& rows, const CategoryRenames& renames) {
    std::vector<const Row*> ordered;
    for (const Row& row : rows)
        ordered.push_back(&row);
    std::ranges::sort(ordered, [](const Row* left, const Row* right) {
        for (const std::size_t column :
             {categoryColumn::id, categoryColumn::name, categoryColumn::subId})
            if (const auto order = compareValues(cell(*left, column), cell(*right, column));
                order != 0)
                return order < 0;
        return false;
    });
    for (const Row* row : ordered) {
        const Value& id = cell(*row, categoryColumn::id);
        const Value& name = renames.nameOf(id, cell(*row, categoryColumn::name));
        m_categories.try_emplace(name, CategoryRecord{id, cell(*row, categoryColumn::subId)});
        if (id.isInteger())
            m_categoryNamesById.try_emplace(id, name);
    }
}

void KeyedCookbook::keyRecipes(const std::vector<Row>& rows) {
    std::vector<std::pair<Value, RecipeRecord>> titled;
    titled.reserve(rows.size());
    for (const Row& row : rows)
        titled.emplace_back(cell(row, recipeColumn::title),
                            RecipeRecord{cell(row, recipeColumn::id),
                                         linkOf(cell(row, recipeColumn::categoryId)),
                                         recipeTexts(row)});
    std::ranges::sort(titled, [](const auto& left, const auto& right) {
        const auto byTitle = compareValues(left.first, right.first);
        if (byTitle != 0)
            return byTitle < 0;
        const auto byContent = compareContent(left.second, right.second);
        return byContent != 0 ? byContent < 0 : compareValues(left.second.id, right.second.id) < 0;
    });
    int repeat = 0;
    for (std::size_t at = 0; at < titled.size(); ++at) {
        repeat = at > 0 && titled[at].first == titled[at - 1].first ? repeat + 1 : 0;
        m_recipes.emplace(RecipeKey{titled[at].first, repeat}, std::move(titled[at].second));
    }
}

CategoryLink KeyedCookbook::linkOf(const Value& categoryId) const {
    const auto name = m_categoryNamesById.find(categoryId);
    if (name == m_categoryNamesById.end())
        return {false, categoryId};
    return {true, name->second};
}

} // namespace savrona
