#pragma once

// One recipe as the import and export formats carry it, and what reading a file
// found wrong.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace savrona {

// A recipe on its way into or out of the cookbook. Every text is UTF-8, as
// the tables hold it; lines are separated by CR LF, as in every stored
// recipe.
struct RecipeEntry {
    QByteArray title;
    // Read: every category the file names, in its order. Written: the one
    // category the recipe is in.
    QList<QByteArray> categories;
    QByteArray ingredients;
    QByteArray preparation;
    // The recipe's yield ("4 servings"), its source (a web page's address)
    // and the address of its picture: the short texts that only an import
    // fills.
    std::optional<QByteArray> servings;
    std::optional<QByteArray> notes;
    std::optional<QByteArray> picture;
    // Where a read recipe begins: the file and its line (from 1).
    QString file;
    qint64 line = 0;
};

struct ImportProblem {
    enum class Kind {
        Recipe, // a recipe that could not be read and is left out
        File,   // a file that could not be read at all
        Note,   // read, but the user should know something about it
    };
    Kind kind = Kind::Recipe;
    QString file;
    qint64 line = 0; // from 1; 0 for the file as a whole
    QString message;
};

// What reading one or more files gave.
struct RecipeBatch {
    std::vector<RecipeEntry> recipes;
    std::vector<ImportProblem> problems;
};

} // namespace savrona
