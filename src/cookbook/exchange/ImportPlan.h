#pragma once

// What an import adds to the cookbook: the category of each recipe, titles kept unique,
// duplicates left out; and the adding itself.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "data/engine/Table.h"

#include <QByteArray>
#include <QHash>

#include <cstdint>
#include <vector>

namespace savrona {

// The category of recipes that name none: without one they would not show.
inline const QByteArray importedRecipesCategory = QByteArrayLiteral("Imported recipes");

struct ImportPlan {
    struct Renamed {
        QString file;
        qint64 line;
        QByteArray from;
        QByteArray to;
    };
    struct Skipped {
        QString file;
        qint64 line;
        QByteArray title;
    };

    // To add: each with the title it gets and its one category.
    std::vector<RecipeEntry> recipes;
    // Categories to add, in the order first needed.
    std::vector<QByteArray> newCategories;
    // How many categories receive recipes, new ones included.
    qsizetype categoryCount = 0;
    // Recipes whose title the cookbook has already with the same texts.
    std::vector<Skipped> duplicates;
    // Recipes added under a numbered title, since theirs is taken.
    std::vector<Renamed> renamed;
    // What reading the files found.
    std::vector<ImportProblem> problems;
    // The IDs of the categories there already, by name.
    QHash<QByteArray, std::int32_t> existingCategoryIds;
};

// Plans the import of what was read into the cookbook of these tables,
// writing nothing. Per recipe, in the order read:
// - the category: the first the recipe names that exists (or is added by
//   this import) under exactly that name; else a new one of the first name;
//   "Imported recipes" when it names none;
// - the title: kept when no recipe has it; the recipe is left out as a
//   duplicate when one has it with the same ingredients and preparation;
//   else it is numbered "Title (2)", "Title (3)" ... (or left out, when a
//   numbered recipe has its texts), so that importing a file again adds
//   nothing;
// - titles, names, the yield, the notes and the picture's address fit their
//   fields' widths (cut between characters, never inside one), on one line,
//   without the controls that would change how they show unseen: the C1
//   controls (NEL among them) and the bidirectional embeddings, overrides
//   and isolates (U+202A to U+202E, U+2066 to U+2069). A category is matched
//   by its name so fitted.
// Leaves both tables' filters off.
ImportPlan planImport(Table& categories, Table& recipes, RecipeBatch batch);

// Adds the planned categories and recipes, each table in one step, numbered
// from the next IDs as the commands number a new record. Throws Error when
// the numbers would run past the largest ID; nothing is added then.
void addImport(ImportPlan plan, Table& categories, Table& recipes, std::int32_t nextCategoryId,
               std::int32_t nextRecipeId);

} // namespace savrona
