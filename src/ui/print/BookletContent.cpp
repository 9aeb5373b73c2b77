// Reads the chapters of a booklet from the two tables.
#include "ui/print/BookletContent.h"

#include "ui/print/PrintPictures.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/exchange/CollectionExport.h"

#include <QDir>
#include <QFileInfo>

namespace savrona {

namespace {

const QString pictureField = QStringLiteral("Picture");

QString textOf(const QByteArray& utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

std::size_t BookletContent::recipeCount() const {
    std::size_t count = 0;
    for (const BookletChapter& chapter : chapters)
        count += chapter.recipes.size();
    return count;
}

BookletContent bookletContent(Table& categories, Table& recipes, const QString& title,
                              const std::optional<QString>& categoryName,
                              const QString& picturesFolder) {
    // The export's walk gives the order; the pictures are read beside it.
    const std::vector<RecipeEntry> entries = recipesForExport(categories, recipes, categoryName);
    QHash<QByteArray, QByteArray> pictureOfTitle;
    recipes.setFiltered(false);
    for (recipes.first(); !recipes.eof(); recipes.next()) {
        const Value picture = recipes.fieldByName(pictureField);
        const Value recipeTitle = recipes.fieldByName(field::title);
        if (picture.isText() && recipeTitle.isText())
            pictureOfTitle.insert(recipeTitle.utf8(), picture.utf8());
    }
    BookletContent content{title, {}};
    for (const RecipeEntry& entry : entries) {
        const QString chapter = textOf(entry.categories.value(0));
        if (content.chapters.empty() || content.chapters.back().name != chapter)
            content.chapters.push_back({chapter, {}});
        content.chapters.back().recipes.push_back(
            {textOf(entry.title), textOf(entry.ingredients), textOf(entry.preparation),
             print::pictureFileIn(picturesFolder, textOf(pictureOfTitle.value(entry.title)))});
    }
    return content;
}

QString picturesFolderOf(const QString& dataFolderPath) {
    return QDir(dataFolderPath).filePath(QStringLiteral("Pictures"));
}

} // namespace savrona
