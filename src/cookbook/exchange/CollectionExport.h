#pragma once

// Exporting the whole cookbook, or one category, as a file other recipe programs read.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "data/engine/Table.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
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

// Thrown when the progress asked to stop; the file was left as it was.
class ExportCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "export cancelled"; }
};

// Told how many recipes are laid out so far, now and then on the calling
// thread while they are laid out; returns false to stop the export.
using ExportProgress = std::function<bool(std::size_t laidOut)>;

// The file's bytes. The recipes are laid out a batch at a time, a batch
// shared between the cores. Throws ExportCancelled when progress says stop.
QByteArray collectionBytes(const std::vector<RecipeEntry>& recipes, CollectionFormat format,
                           const ExportProgress& progress = {});

// Writes the recipes to path as one file, atomically, after refusing a data
// file of the cookbook in dataFolder: each batch goes to the new file as soon
// as it is laid out, and the file takes the old one's place only when it is
// whole. Throws Error with the message to show, or ExportCancelled, leaving
// the old file as it was.
void exportCollection(const QString& path, CollectionFormat format,
                      const std::vector<RecipeEntry>& recipes, const DataFolder& dataFolder,
                      const ExportProgress& progress = {});

} // namespace savrona
