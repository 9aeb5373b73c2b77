#pragma once

// Keeps the copies a merge makes of recipes that both sides changed differently, each under
// its title followed by where it came from, "Pancakes (from laptop 2026-12-08 10:14)";
// numbered "(2)", "(3)" ... when that title is taken too, and fitted to the 255 characters of
// a title.

#include "cookbook/sharing/KeyedCookbook.h"

#include <QString>

#include <optional>

namespace savrona {

class ConflictCopies {
public:
    explicit ConflictCopies(RecipeMap& recipes) : m_recipes(recipes) {}

    // Adds the copy of the recipe of this title to the recipes and returns its title. Adds
    // nothing and returns none when the recipes hold the same copy already under a copy title
    // of that recipe, as they do when a merged cookbook is merged again: so the copies do not
    // multiply.
    std::optional<QString> add(const Value& title, const RecipeRecord& copy, const QString& origin);

private:
    bool holdsCopyAmong(const QByteArray& titlePrefix, const RecipeRecord& copy) const;
    const RecipeRecord* recipeTitled(const QByteArray& title) const;

    RecipeMap& m_recipes;
};

} // namespace savrona
