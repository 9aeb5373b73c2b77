#pragma once

// Exporting the whole cookbook, or one category, as a file other recipe programs read.

#include "RecipeEntry.h"
#include "Table.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace savrona {

class DataFolder;

enum class CollectionFormat {
    MealMaster, // .mmf
    RecipeJson, // .json: an array of schema.org Recipe objects
};

// The recipes as the tree shows them: the categories in name order (only
// those named categoryName, when given), each one's recipes in title order;
// recipes of no category are not in the tree and not exported. Leaves both
// tables' filters off.
std::vector<RecipeEntry> recipesForExport(Table& categories, Table& recipes,
                                          const std::optional<QString>& categoryName = {});

QByteArray collectionBytes(const std::vector<RecipeEntry>& recipes, CollectionFormat format);

// Writes the recipes to path as one file, atomically, after refusing a data
// file of the cookbook in dataFolder. Throws Error with the message to show.
void exportCollection(const QString& path, CollectionFormat format,
                      const std::vector<RecipeEntry>& recipes, const DataFolder& dataFolder);

} // namespace savrona
