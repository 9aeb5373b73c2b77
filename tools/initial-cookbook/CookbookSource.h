#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// The initial cookbook as people write it: the categories as they are now,
// the recipes as they are now, and the history of changes that the initial
// packets' change logs record. Everything is UTF-8 text with LF line ends.
namespace savrona::cookbook {

// "file:line", for messages.
using SourcePlace = QString;

struct SourceCategory {
    std::int32_t id = 0;
    QString name;
    SourcePlace place;
};

struct SourceRecipe {
    std::int32_t id = 0;
    std::optional<std::int32_t> categoryId;
    QString title;
    QStringList ingredients; // one entry per line
    QStringList preparation;
    SourcePlace place;
};

// A change to a text, as whole lines: the lines it held before and after.
// Lines that stayed the same around the change are in both, so that the
// change has one place in the text.
struct TextChange {
    QStringList before;
    QStringList after;
};

struct CategoryAdded {
    std::int32_t id = 0;
    QString name;
};
struct CategoryRenamed {
    std::int32_t id = 0;
    QString oldName;
    QString newName;
};
struct CategoryDeleted {
    std::int32_t id = 0;
    QString name;
};
struct RecipeAdded {
    std::int32_t id = 0;
};
struct RecipeMoved {
    QString title;
    std::optional<std::int32_t> fromCategoryId;
    std::optional<std::int32_t> toCategoryId;
};
// One save of a recipe's texts; the recipe is named by its title before the save.
struct RecipeEdited {
    QString title;
    std::optional<QString> newTitle;
    std::optional<TextChange> ingredients;
    std::optional<TextChange> preparation;
};
// The deleted recipe's record is one of the history's recipes.
struct RecipeDeleted {
    QString title;
};

using HistoryChange = std::variant<CategoryAdded, CategoryRenamed, CategoryDeleted, RecipeAdded,
                                   RecipeMoved, RecipeEdited, RecipeDeleted>;

struct HistoryEvent {
    HistoryChange change;
    SourcePlace place;
};

struct History {
    std::vector<HistoryEvent> events; // oldest first
    // The recipes deleted during the history, as they were when deleted.
    std::vector<SourceRecipe> deletedRecipes;
};

// Each reader takes the text of one file and the name to use in messages,
// and throws savrona::Error naming the file and line of the first fault.

// One category a line: its ID, blanks, then its name.
std::vector<SourceCategory> readCategories(const QString& text, const QString& fileName);

// Records of the form
//   @recipe / ID: n / Category: n or null / Title: t / @ingredients / lines /
//   @preparation / lines / @end
// with comments (#) and blank lines between records.
std::vector<SourceRecipe> readRecipes(const QString& text, const QString& fileName);

// Lines of changes, oldest first:
//   add category <id> "<name>"
//   rename category <id> "<old name>" to "<new name>"
//   delete category <id> "<name>"
//   add recipe <id>
//   add recipes <first id> to <last id>
//   move recipe "<title>" from <id or null> to <id or null>
//   delete recipe "<title>"
// edits of a recipe's texts:
//   @edit <title before the edit>
//   Title: <new title>            (when the title changed)
//   @ingredients / @preparation   followed by the changed lines, each marked
//                                 "-" (before), "+" (after) or " " (both)
//   @end
// and the deleted recipes' records, in the form readRecipes reads.
History readHistory(const QString& text, const QString& fileName);

} // namespace savrona::cookbook
