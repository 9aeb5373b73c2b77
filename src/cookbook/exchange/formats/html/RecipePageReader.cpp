// Reads a web page's recipes: JSON-LD first, then microdata, then h-recipe, and fills
// in where they come from.
#include "cookbook/exchange/formats/html/RecipePageReader.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/html/HtmlTree.h"
#include "cookbook/exchange/formats/html/MicrodataRecipes.h"
#include "cookbook/exchange/formats/html/MicroformatRecipes.h"
#include "cookbook/exchange/formats/html/PageAddresses.h"
#include "cookbook/exchange/formats/json/RecipeJsonReader.h"

#include <optional>

namespace savrona {

namespace {

using html::HtmlTree;
using html::PageRecipe;

// The recipes of the page's markup: its microdata, else its h-recipe.
int readMarkup(const xmlNode* root, const QString& fileName, RecipeBatch& batch) {
    std::vector<PageRecipe> found = html::MicrodataRecipes::read(root);
    if (found.empty())
        found = html::MicroformatRecipes::read(root);
    for (const PageRecipe& recipe : found) {
        if (recipe.name.isEmpty())
            batch.problems.push_back({ImportProblem::Kind::Recipe, fileName, recipe.line,
                                      QStringLiteral("a recipe without a name; it is left out")});
        else
            batch.recipes.push_back(recipe.entry(fileName));
    }
    return int(found.size());
}

// A script that did not parse is only a remark when others gave the recipes.
void keepUnreadScriptsAsRemarks(RecipeBatch& batch) {
    for (ImportProblem& problem : batch.problems) {
        if (problem.kind != ImportProblem::Kind::File)
            continue;
        problem.kind = ImportProblem::Kind::Note;
        problem.message =
            QStringLiteral("a script of the page is left out, %1").arg(problem.message);
    }
}

void addAddresses(std::vector<RecipeEntry>& recipes, const html::PageAddresses& addresses) {
    const QUrl source = addresses.source();
    for (RecipeEntry& recipe : recipes) {
        if (!source.isEmpty())
            recipe.notes = html::PageAddresses::fieldText(source).toUtf8();
        if (recipe.picture) {
            const QString picture = addresses.resolved(QString::fromUtf8(*recipe.picture));
            recipe.picture =
                picture.isEmpty() ? std::nullopt : std::optional<QByteArray>(picture.toUtf8());
        }
    }
}

} // namespace

RecipeBatch RecipePageReader::read(QByteArray bytes, const QString& fileName,
                                   const QUrl& fetchedFrom, ImportProgress* progress) {
    const QByteArray page = textAsUtf8(std::move(bytes), progress);
    RecipeJsonReader::PageScripts scripts = RecipeJsonReader::readScripts(page, fileName, progress);
    RecipeBatch batch = std::move(scripts.batch);
    int recipesFound = scripts.recipesFound;
    std::optional<HtmlTree> tree;
    if (page.size() <= largestParsedPage) {
        if (progress)
            progress->throwIfCancelled();
        tree.emplace(page);
    }
    const xmlNode* root = tree ? tree->root() : nullptr;
    if (recipesFound == 0 && root != nullptr)
        recipesFound = readMarkup(root, fileName, batch);
    if (!batch.recipes.empty())
        keepUnreadScriptsAsRemarks(batch);
    if (recipesFound == 0 && batch.problems.empty())
        batch.problems.push_back(
            {ImportProblem::Kind::File, fileName, 1,
             QStringLiteral("no recipe was found in this page: it holds no schema.org Recipe "
                            "(JSON-LD or microdata) and no h-recipe")});
    addAddresses(batch.recipes, html::PageAddresses(root, fetchedFrom));
    return batch;
}

} // namespace savrona
