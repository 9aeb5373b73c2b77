#pragma once

// The category commands of the main window and its dialogs, kept free of widgets so
// that tests can run them on their own.

#include "cookbook/CookbookAccess.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace savrona {

// The category commands and the move of a recipe to another category, worked
// on the main window's tables. Lookups go through the escaped lookup helpers,
// so any name or title finds exactly its own record; every filter switched on
// is switched off again before a command ends normally. Table errors are not
// caught: they end the command where it stands.
class CategoryCommands {
public:
    explicit CategoryCommands(CookbookAccess& cookbook);

    // Stores a new category (ID, SubID 0, name). False, after an error message,
    // when the name is empty or already taken.
    bool addCategory(const QString& name, std::int32_t id);

    // Gives the category named currentName the name newName, with SubID 0 and
    // its ID unchanged. False, after an error message, when newName is empty or
    // already taken (currentName itself included). A category that is no longer
    // there is not recreated: nothing is written and the result is true.
    bool renameCategory(const QString& currentName, const QString& newName);

    // Asks for confirmation; on Yes deletes every recipe of the category, then
    // the category. False when the answer was not Yes.
    bool deleteCategory(const QString& name);

    // Every category name, in the categories table's order.
    QStringList categoryNames();

    // Puts the recipe titled recipeTitle into the category named categoryName,
    // leaving every other field alone. False, after a warning, when the name is
    // empty or names no category exactly: a recipe never loses its category.
    // A recipe that is no longer there is not recreated: nothing is written and
    // the result is true.
    bool moveRecipe(const QString& recipeTitle, const QString& categoryName);

private:
    // Shows the matching error message and returns false for an empty or taken name.
    bool isAcceptableNewName(const QString& name);
    void deleteRecipesOfCategory(std::int32_t categoryId);

    CookbookAccess& m_cookbook;
};

} // namespace savrona
