// Takes the texts of exported recipes apart by their fixed lines.
#include "cookbook/exchange/formats/RecipeTextReader.h"

#include "cookbook/exchange/formats/SourceText.h"

#include <QList>

namespace savrona {

namespace {

const QByteArray rule(50, '-');
constexpr QByteArrayView exportedBy("Recipe exported by ");

QList<QByteArray> linesOf(const QByteArray& text) {
    QList<QByteArray> lines =
        QByteArray(text).replace("\r\n", "\n").replace('\r', '\n').split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // after the last line's break
    return lines;
}

// Line `at` begins the six lines that open an exported recipe.
bool opensRecipe(const QList<QByteArray>& lines, qsizetype at) {
    return at + 5 < lines.size() && lines[at].isEmpty() && lines[at + 3].isEmpty() &&
           lines[at + 4] == rule && lines[at + 5].isEmpty();
}

// Line `at` is the rule that closes a recipe.
bool closesRecipe(const QList<QByteArray>& lines, qsizetype at) {
    return lines[at] == rule && at + 1 < lines.size() && lines[at + 1].startsWith(exportedBy) &&
           lines[at - 1].isEmpty();
}

QByteArray joined(const QList<QByteArray>& lines, qsizetype begin, qsizetype end) {
    return lines.mid(begin, std::max<qsizetype>(end - begin, 0)).join("\r\n");
}

} // namespace

bool RecipeTextReader::hasLayout(QByteArrayView start) {
    const QList<QByteArray> lines =
        linesOf(textAsUtf8(start.first(std::min<qsizetype>(start.size(), 4096))));
    return opensRecipe(lines, 0);
}

RecipeBatch RecipeTextReader::read(const QByteArray& bytes, const QString& fileName) {
    RecipeBatch batch;
    const QList<QByteArray> lines = linesOf(textAsUtf8(bytes));
    qsizetype at = 0;
    while (at < lines.size()) {
        if (!opensRecipe(lines, at)) {
            ++at;
            continue;
        }
        RecipeEntry recipe;
        recipe.file = fileName;
        recipe.line = at + 1;
        if (!lines[at + 1].isEmpty())
            recipe.categories.append(lines[at + 1]);
        recipe.title = lines[at + 2];
        const qsizetype body = at + 6;
        qsizetype close = body + 1;
        while (close < lines.size() && !closesRecipe(lines, close))
            ++close;
        const bool closed = close < lines.size();
        // Without its closing lines the recipe runs to the end of the file.
        const qsizetype bodyEnd = closed ? close - 1 : lines.size();
        qsizetype split = body + 1;
        while (split < bodyEnd && !lines[split].isEmpty())
            ++split;
        recipe.ingredients = joined(lines, body, std::min(split, bodyEnd));
        recipe.preparation = joined(lines, split + 1, bodyEnd);
        at = closed ? close + 3 : lines.size();
        if (recipe.title.isEmpty()) {
            batch.problems.push_back({ImportProblem::Kind::Recipe, fileName, recipe.line,
                                      QStringLiteral("a recipe without a title; it is left out")});
            continue;
        }
        if (!closed)
            batch.problems.push_back(
                {ImportProblem::Kind::Note, fileName, recipe.line,
                 QStringLiteral("\"%1\" is cut off before its closing lines; it is read as far "
                                "as it goes")
                     .arg(QString::fromUtf8(recipe.title))});
        batch.recipes.push_back(std::move(recipe));
    }
    if (batch.recipes.empty() && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no exported recipe was found in this file")});
    return batch;
}

} // namespace savrona
