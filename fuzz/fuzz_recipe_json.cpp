// schema.org Recipe JSON-LD, as a document and as a web page: reading gives
// well-formed recipes whatever the bytes, and what it gives, written as JSON, reads
// back exactly.

#include "ImportChecks.h"
#include "cookbook/exchange/formats/RecipeJsonReader.h"
#include "cookbook/exchange/formats/RecipeJsonWriter.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

using namespace savrona;

void checkWritingReadsBack(const RecipeBatch& batch) {
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    std::vector<RecipeEntry> recipes = batch.recipes;
    for (RecipeEntry& recipe : recipes) // the writer writes one category
        recipe.categories = recipe.categories.mid(0, 1);
    RecipeJsonWriter::write(buffer, recipes);
    const RecipeBatch again = RecipeJsonReader::readDocument(written, QStringLiteral("fuzz.json"));
    if (again.recipes.size() != recipes.size())
        fuzzing::fail("the recipes written do not read back as as many recipes");
    for (std::size_t index = 0; index < recipes.size(); ++index) {
        const RecipeEntry& before = recipes[index];
        const RecipeEntry& after = again.recipes[index];
        if (after.title != before.title || after.categories != before.categories ||
            after.ingredients != before.ingredients || after.preparation != before.preparation ||
            after.servings != before.servings || after.notes != before.notes)
            fuzzing::fail("a recipe written as JSON reads back changed");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool asPage : {false, true}) {
        const RecipeBatch batch = asPage ? RecipeJsonReader::readPage(bytes, "fuzz.html")
                                         : RecipeJsonReader::readDocument(bytes, "fuzz.json");
        fuzzing::checkBatch(batch);
        checkWritingReadsBack(batch);
    }
    return 0;
}
