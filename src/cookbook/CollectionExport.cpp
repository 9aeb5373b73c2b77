// Gathers the recipes of the cookbook or of a category and writes them in a chosen format.
#include "CollectionExport.h"

#include "CookbookFields.h"
#include "CookbookQueries.h"
#include "ExportFileWriter.h"
#include "ExportTarget.h"
#include "Lookups.h"
#include "MealMasterWriter.h"
#include "RecipeJsonWriter.h"

#include <QBuffer>

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

QByteArray collectionBytes(const std::vector<RecipeEntry>& recipes, CollectionFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == CollectionFormat::MealMaster)
        MealMasterWriter::write(buffer, recipes);
    else
        RecipeJsonWriter::write(buffer, recipes);
    buffer.close();
    return bytes;
}

void exportCollection(const QString& path, CollectionFormat format,
                      const std::vector<RecipeEntry>& recipes, const DataFolder& dataFolder) {
    refuseDataFileAsExportTarget(path, dataFolder);
    writeExportFile(path, collectionBytes(recipes, format));
}

} // namespace savrona
