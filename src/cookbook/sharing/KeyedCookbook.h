#pragma once

// One version of the cookbook keyed as the merge matches records: a category by its name, a
// recipe by its title, and each recipe's category by that category's name in the same
// version, since two computers adding at once give out the same IDs.

#include "cookbook/sharing/CategoryRenames.h"
#include "cookbook/sharing/CookbookVersion.h"
#include "cookbook/sharing/ValueOrder.h"

#include <compare>
#include <map>
#include <vector>

namespace savrona {

// Where a recipe belongs: the name of the category its CategoryID names in its version or,
// when it names none, that CategoryID as it is.
struct CategoryLink {
    bool found = false;
    Value value;

    bool operator==(const CategoryLink&) const = default;
};

std::strong_ordering compareLinks(const CategoryLink& left, const CategoryLink& right);

// A category without its name, which is its key.
struct CategoryRecord {
    Value id;
    Value subId;

    bool sameContent(const CategoryRecord& other) const { return subId == other.subId; }
    bool operator==(const CategoryRecord&) const = default;
};

// A recipe without its title, which is its key.
struct RecipeRecord {
    Value id;
    CategoryLink category;
    std::vector<Value> texts; // Ingredients, Preparation, servings, Notes, Picture

    // The ID only numbers the row: two records that differ in it alone are the same recipe.
    bool sameContent(const RecipeRecord& other) const {
        return category == other.category && texts == other.texts;
    }
    bool operator==(const RecipeRecord&) const = default;
};

// In the order of the link, then of the texts; the ID does not count.
std::strong_ordering compareContent(const RecipeRecord& left, const RecipeRecord& right);

// A title a version holds more than once (the commands never do this, a damaged or edited
// file may) is that many keys, numbered in the order of their content, not of the rows.
struct RecipeKey {
    Value title;
    int repeat = 0;

    friend bool operator<(const RecipeKey& left, const RecipeKey& right) {
        const auto byTitle = compareValues(left.title, right.title);
        return byTitle != 0 ? byTitle < 0 : left.repeat < right.repeat;
    }
};

using CategoryMap = std::map<Value, CategoryRecord, ValueLess>;
using RecipeMap = std::map<RecipeKey, RecipeRecord>;

class KeyedCookbook {
public:
    // With the renames made. Categories that share a name are one category here: the first
    // by ID keeps it, and the recipes of all of them belong to it. A CategoryID that several
    // categories have links to the first of their names.
    KeyedCookbook(const CookbookRows& rows, const CategoryRenames& renames);

    const CategoryMap& categories() const { return m_categories; }
    const RecipeMap& recipes() const { return m_recipes; }

private:
    void keyCategories(const std::vector<Row>& rows, const CategoryRenames& renames);
    void keyRecipes(const std::vector<Row>& rows);
    CategoryLink linkOf(const Value& categoryId) const;

    CategoryMap m_categories;
    std::map<Value, Value, ValueLess> m_categoryNamesById;
    RecipeMap m_recipes;
};

} // namespace savrona
