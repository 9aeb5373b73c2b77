// Web pages read through libxml2's HTML parser: reading gives well-formed recipes
// whatever the bytes, fetched from an address or saved, and no tag survives into a
// recipe's texts.

#include "ImportChecks.h"
#include "cookbook/exchange/formats/html/RecipePageReader.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>

namespace {

using namespace savrona;

// "<" and a letter, "/", "!" or "?": where a tag would begin.
bool holdsTag(const QByteArray& text) {
    for (qsizetype at = text.indexOf('<'); at >= 0 && at + 1 < text.size();
         at = text.indexOf('<', at + 1)) {
        const char next = text[at + 1];
        if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '/' ||
            next == '!' || next == '?')
            return true;
    }
    return false;
}

void checkNoMarkup(const RecipeBatch& batch) {
    for (const RecipeEntry& recipe : batch.recipes) {
        QList<QByteArray> texts{recipe.title, recipe.ingredients, recipe.preparation};
        texts += recipe.categories;
        if (recipe.servings)
            texts.append(*recipe.servings);
        for (const QByteArray& text : texts)
            if (holdsTag(text))
                fuzzing::fail("a tag reached a recipe's text");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QUrl& address : {QUrl(), QUrl(QStringLiteral("https://example.com/r/x"))}) {
        const RecipeBatch batch =
            RecipePageReader::read(bytes, QStringLiteral("fuzz.html"), address);
        fuzzing::checkBatch(batch);
        checkNoMarkup(batch);
        if (batch.recipes.empty() && batch.problems.empty())
            fuzzing::fail("a page gave neither a recipe nor a problem");
    }
    return 0;
}
