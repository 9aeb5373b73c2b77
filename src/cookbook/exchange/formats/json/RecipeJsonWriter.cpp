// Turns recipes into schema.org Recipe objects and writes them as one JSON array.
#include "cookbook/exchange/formats/json/RecipeJsonWriter.h"

#include "data/Error.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace savrona {

namespace {

QStringList linesOf(const QByteArray& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return QString::fromUtf8(text).split(lineBreak);
}

QJsonValue categoryValue(const QString& name) {
    // A single text is read as a list separated by commas: a name with a
    // comma, or with blanks at its ends, goes into a list of one.
    if (name.contains(u',') || name != name.trimmed())
        return QJsonArray{name};
    return name;
}

QJsonValue instructionsValue(const QByteArray& preparation) {
    if (preparation.isEmpty())
        return QJsonArray();
    const QStringList lines = linesOf(preparation);
    if (lines.contains(QString()))
        return lines.join(u'\n');
    QJsonArray steps;
    for (const QString& line : lines)
        steps.append(QJsonObject{{QStringLiteral("@type"), QStringLiteral("HowToStep")},
                                 {QStringLiteral("text"), line}});
    return steps;
}

QJsonValue sourceValue(const QString& notes) {
    if (notes.startsWith(QStringLiteral("http://")) || notes.startsWith(QStringLiteral("https://")))
        return notes;
    return QJsonObject{{QStringLiteral("@type"), QStringLiteral("CreativeWork")},
                       {QStringLiteral("name"), notes}};
}

void writeBytes(QIODevice& device, const QByteArray& bytes) {
    if (device.write(bytes) != bytes.size())
        throw Error(device.errorString());
}

} // namespace

QJsonObject RecipeJsonWriter::recipeObject(const RecipeEntry& recipe) {
    QJsonObject object{
        {QStringLiteral("@context"), QStringLiteral("https://schema.org")},
        {QStringLiteral("@type"), QStringLiteral("Recipe")},
        {QStringLiteral("name"), QString::fromUtf8(recipe.title)},
        {QStringLiteral("recipeCategory"),
         categoryValue(QString::fromUtf8(recipe.categories.value(0)))},
        {QStringLiteral("recipeIngredient"),
         recipe.ingredients.isEmpty() ? QJsonArray()
                                      : QJsonArray::fromStringList(linesOf(recipe.ingredients))},
        {QStringLiteral("recipeInstructions"), instructionsValue(recipe.preparation)},
    };
    if (recipe.servings)
        object.insert(QStringLiteral("recipeYield"), QString::fromUtf8(*recipe.servings));
    if (recipe.notes)
        object.insert(QStringLiteral("isBasedOn"), sourceValue(QString::fromUtf8(*recipe.notes)));
    return object;
}

void RecipeJsonWriter::appendRecipeJson(QByteArray& text, const RecipeEntry& recipe) {
    text += QJsonDocument(recipeObject(recipe)).toJson();
    text.chop(1); // its line break
}

void RecipeJsonWriter::write(QIODevice& device, const std::vector<RecipeEntry>& recipes) {
    writeBytes(device, "[\n");
    QByteArray object;
    for (std::size_t index = 0; index < recipes.size(); ++index) {
        object.clear();
        appendRecipeJson(object, recipes[index]);
        if (index + 1 < recipes.size())
            object += ',';
        object += '\n';
        writeBytes(device, object);
    }
    writeBytes(device, "]\n");
}

} // namespace savrona
