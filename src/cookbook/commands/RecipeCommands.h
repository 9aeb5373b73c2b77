#pragma once

// The recipe commands of the details pane and the tree's menu, and what they tell the
// main window to do next.

#include "cookbook/CookbookAccess.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace savrona {

// The three texts of the details pane.
struct RecipeTexts {
    QString title;
    QString ingredients;
    QString preparation;
};

// What the main window does after a recipe command.
enum class RecipeOutcome {
    Nothing,                // the tree stays as it is
    Rebuild,                // RefreshCookbookTree alone (Add Recipe; then Add Recipe is disabled)
    RebuildAndReturnToRoot, // RefreshAndReturnToRoot
    RebuildAndSelectRecipe, // rebuild, then select the recipe under the title now in the title box
};

// Add Recipe, Save Changes and Delete Recipe, worked on the main window's
// tables. Lookups go through the escaped lookup helpers; every filter switched
// on is switched off again before a command ends normally. Table errors are
// not caught: they end the command where it stands.
class RecipeCommands {
public:
    explicit RecipeCommands(CookbookAccess& cookbook);

    // Adds a recipe with the given ID to the category named categoryName.
    // Nothing is written for an empty title, a title that any recipe already
    // has (after an error message), or a category that is no longer there.
    RecipeOutcome addRecipe(const QString& categoryName, std::int32_t id, const RecipeTexts& texts);

    // Writes the three texts into the recipe that was selected under
    // selectedTitle. Unchanged title: saved in place, no rebuild. Changed
    // title: refused with the duplicate message when another recipe has it,
    // ignored when empty, otherwise saved under the new title and re-selected.
    RecipeOutcome saveChanges(const QString& selectedTitle, const RecipeTexts& texts);

    // Asks for confirmation; on Yes deletes the recipe titled selectedTitle
    // (if it is there) and returns to the root.
    RecipeOutcome deleteRecipe(const QString& selectedTitle);

private:
    // Shows the duplicate message and returns true when a recipe has the title.
    bool reportTakenTitle(const QString& title);
    // The name of the category that the current recipe belongs to, if any.
    std::optional<QString> categoryNameOfCurrentRecipe();
    // Writes the texts into the recipe titled title; false when there is none.
    bool writeTexts(const QString& title, const RecipeTexts& texts);

    CookbookAccess& m_cookbook;
};

} // namespace savrona
