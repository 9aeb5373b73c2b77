// Lays recipes out in the MealMaster format.
#include "cookbook/exchange/formats/mealmaster/MealMasterWriter.h"

#include "cookbook/exchange/formats/mealmaster/MealMasterLayout.h"
#include "data/Error.h"
#include "platform/seams/AppInfo.h"

#include <QIODevice>

namespace savrona {

using namespace mealmaster;

namespace {

const QByteArray lineEnd("\r\n");

QByteArray oneLine(QByteArray text) {
    text.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return text;
}

QList<QByteArray> storedLines(const QByteArray& text) {
    return QByteArray(text).replace("\r\n", "\n").replace('\r', '\n').split('\n');
}

QList<QByteArray> ingredientSection(const QByteArray& ingredients) {
    QList<QByteArray> lines;
    for (const QByteArray& line : storedLines(ingredients)) {
        if (line.isEmpty())
            lines.append(QByteArray());
        else
            lines.append(ingredientLines(line));
    }
    return lines;
}

QList<QByteArray> directionsSection(const RecipeEntry& recipe) {
    QList<QByteArray> lines = directionLines(recipe.preparation);
    // Blank lines do not end the ingredients: a first line of directions that
    // has the ingredient layout ("  1 2 3") is marked, so that it stays text.
    for (QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        if (readIngredientLine(line))
            line.insert(2, ':');
        break;
    }
    if (recipe.notes && !recipe.notes->isEmpty()) {
        lines.append(QByteArray());
        lines.append(directionLines("Source: " + oneLine(*recipe.notes)));
    }
    return lines;
}

} // namespace

void MealMasterWriter::appendRecipeText(QByteArray& text, const RecipeEntry& recipe) {
    QList<QByteArray> lines{"MMMMM----- Recipe via Meal-Master, exported by " +
                                applicationTitle.toUtf8(),
                            QByteArray(),
                            "      Title: " + oneLine(recipe.title),
                            " Categories: " + oneLine(recipe.categories.value(0)),
                            "      Yield:" + (recipe.servings && !recipe.servings->isEmpty()
                                                  ? " " + oneLine(*recipe.servings)
                                                  : QByteArray()),
                            QByteArray()};
    lines.append(ingredientSection(recipe.ingredients));
    lines.append(QByteArray());
    lines.append(directionsSection(recipe));
    lines.append(QByteArray());
    lines.append("MMMMM");
    lines.append(QByteArray());
    for (const QByteArray& line : lines) {
        text += line;
        text += lineEnd;
    }
}

QByteArray MealMasterWriter::recipeText(const RecipeEntry& recipe) {
    QByteArray text;
    appendRecipeText(text, recipe);
    return text;
}

void MealMasterWriter::write(QIODevice& device, const std::vector<RecipeEntry>& recipes) {
    // One buffer for every recipe: a new text a recipe would be a large
    // allocation each time, which sends the small ones down the allocator's
    // slow path.
    QByteArray text;
    for (const RecipeEntry& recipe : recipes) {
        text.clear();
        appendRecipeText(text, recipe);
        if (device.write(text) != text.size())
            throw Error(device.errorString());
    }
}

} // namespace savrona
