#pragma once

// What a printed booklet holds: the recipes of the cookbook or of one category, by chapter.

#include "data/engine/Table.h"

#include <QString>

#include <optional>
#include <vector>

namespace savrona {

struct BookletRecipe {
    QString title;
    QString ingredients;
    QString preparation;
    QString picturePath; // a readable picture file, or empty
};

struct BookletChapter {
    QString name;
    std::vector<BookletRecipe> recipes;
};

struct BookletContent {
    QString title;
    std::vector<BookletChapter> chapters;

    std::size_t recipeCount() const;
};

// The recipes as the tree shows them: the categories in name order (only the one named
// categoryName, when given), each one's recipes in title order. A recipe's picture is the
// file its Picture field names in picturesFolder; a name that leads out of the folder, or
// one naming no file there, gives none. Leaves both tables' filters off.
BookletContent bookletContent(Table& categories, Table& recipes, const QString& title,
                              const std::optional<QString>& categoryName,
                              const QString& picturesFolder);

// The folder of the recipes' pictures: "Pictures" beside the data files.
QString picturesFolderOf(const QString& dataFolderPath);

} // namespace savrona
