// Gathers the recipes of the cookbook or of a category and writes them in a chosen format.
#include "cookbook/exchange/CollectionExport.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/commands/CookbookQueries.h"
#include "cookbook/exchange/ExportFileWriter.h"
#include "cookbook/exchange/ExportTarget.h"
#include "cookbook/exchange/formats/json/RecipeJsonWriter.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterWriter.h"
#include "data/engine/Lookups.h"

#include <algorithm>
#include <future>
#include <thread>
#include <utility>

namespace savrona {

namespace {

const QString servingsField = QStringLiteral("servings");
const QString notesField = QStringLiteral("Notes");

struct CategoryToExport {
    std::int32_t id;
    QByteArray name;
};

std::vector<CategoryToExport> categoriesToExport(Table& categories,
                                                 const std::optional<QString>& onlyName) {
    std::vector<CategoryToExport> chosen;
    const std::optional<QByteArray> wanted =
        onlyName ? std::optional<QByteArray>(onlyName->toUtf8()) : std::nullopt;
    categories.setFiltered(false);
    for (; !categories.eof(); categories.next()) {
        const Value id = categories.fieldByName(field::id);
        const Value name = categories.fieldByName(field::category);
        if (!id.isInteger() || !name.isText() || (wanted && name.utf8() != *wanted))
            continue;
        chosen.push_back({id.integer(), name.utf8()});
    }
    categories.setFiltered(false);
    return chosen;
}

std::optional<QByteArray> optionalText(const Value& value) {
    return value.isText() ? std::optional<QByteArray>(value.utf8()) : std::nullopt;
}

} // namespace

std::vector<RecipeEntry> recipesForExport(Table& categories, Table& recipes,
                                          const std::optional<QString>& categoryName) {
    std::vector<RecipeEntry> entries;
    for (const CategoryToExport& category : categoriesToExport(categories, categoryName)) {
        showOnly(recipes, lookup::recipesOfCategory(category.id));
        for (; !recipes.eof(); recipes.next()) {
            const Value title = recipes.fieldByName(field::title);
            if (!title.isText())
                continue;
            RecipeEntry entry;
            entry.title = title.utf8();
            entry.categories = {category.name};
            entry.ingredients = recipes.fieldByName(field::ingredients).utf8();
            entry.preparation = recipes.fieldByName(field::preparation).utf8();
            entry.servings = optionalText(recipes.fieldByName(servingsField));
            entry.notes = optionalText(recipes.fieldByName(notesField));
            entries.push_back(std::move(entry));
        }
        recipes.setFiltered(false);
    }
    return entries;
}

namespace {

// Appends one recipe, and what follows it in the file, to bytes.
using RecipeLayout = void (*)(QByteArray& bytes, const RecipeEntry& recipe, bool isLast);

void mealMasterRecipe(QByteArray& bytes, const RecipeEntry& recipe, bool) {
    MealMasterWriter::appendRecipeText(bytes, recipe);
}

void jsonRecipe(QByteArray& bytes, const RecipeEntry& recipe, bool isLast) {
    RecipeJsonWriter::appendRecipeJson(bytes, recipe);
    bytes += isLast ? "\n" : ",\n";
}

void layOutRange(QByteArray& bytes, RecipeLayout layout, const std::vector<RecipeEntry>& recipes,
                 std::size_t begin, std::size_t end) {
    bytes.resize(0);
    for (std::size_t index = begin; index < end; ++index)
        layout(bytes, recipes[index], index + 1 == recipes.size());
}

// Writes every recipe laid out, in the recipes' order, a batch at a time. Each
// recipe's text depends on that recipe alone, so a batch of recipes is split
// between the cores and their texts written in order.
void layOutInOrder(const std::vector<RecipeEntry>& recipes, RecipeLayout layout,
                   const ChunkWriter& write, const ExportProgress& progress) {
    constexpr std::size_t recipesPerPart = 256;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<QByteArray> parts(threads);
    for (std::size_t begin = 0; begin < recipes.size(); begin += recipesPerPart * threads) {
        const auto partRange = [&](std::size_t part) {
            const std::size_t first = std::min(recipes.size(), begin + part * recipesPerPart);
            return std::pair{first, std::min(recipes.size(), first + recipesPerPart)};
        };
        std::vector<std::future<void>> others;
        for (std::size_t part = 1; part < threads && partRange(part).first < recipes.size(); ++part)
            others.push_back(std::async(std::launch::async, [&, part] {
                const auto [first, end] = partRange(part);
                layOutRange(parts[part], layout, recipes, first, end);
            }));
        const auto [first, end] = partRange(0);
        layOutRange(parts[0], layout, recipes, first, end);
        for (std::future<void>& other : others)
            other.get();
        for (std::size_t part = 0; part <= others.size(); ++part)
            write(parts[part]);
        const std::size_t laidOut = std::min(recipes.size(), begin + recipesPerPart * threads);
        if (progress && !progress(laidOut))
            throw ExportCancelled();
    }
}

void writeCollection(const std::vector<RecipeEntry>& recipes, CollectionFormat format,
                     const ChunkWriter& write, const ExportProgress& progress) {
    if (format == CollectionFormat::MealMaster) {
        layOutInOrder(recipes, mealMasterRecipe, write, progress);
        return;
    }
    write("[\n");
    layOutInOrder(recipes, jsonRecipe, write, progress);
    write("]\n");
}

} // namespace

QByteArray collectionBytes(const std::vector<RecipeEntry>& recipes, CollectionFormat format,
                           const ExportProgress& progress) {
    QByteArray bytes;
    writeCollection(
        recipes, format, [&bytes](QByteArrayView chunk) { bytes.append(chunk); }, progress);
    return bytes;
}

void exportCollection(const QString& path, CollectionFormat format,
                      const std::vector<RecipeEntry>& recipes, const DataFolder& dataFolder,
                      const ExportProgress& progress) {
    refuseDataFileAsExportTarget(path, dataFolder);
    writeExportFile(
        path, [&](const ChunkWriter& write) { writeCollection(recipes, format, write, progress); });
}

} // namespace savrona
