// schema.org Recipe JSON-LD, as a document and as a web page: reading gives
// well-formed recipes whatever the bytes, what it gives, written as JSON, reads
// back exactly, and a document taken apart into pieces reads as it reads parsed whole.

#include "ImportChecks.h"
#include "cookbook/exchange/formats/json/RecipeJsonReader.h"
#include "cookbook/exchange/formats/json/RecipeJsonWriter.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <limits>

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

bool isUnreadable(const ImportProblem& problem) {
    return problem.message.startsWith(QStringLiteral("not readable as JSON"));
}

// The same recipes at the same lines and the same problems; a text that does
// not parse is refused either way, its fault maybe in other words.
void checkSameReading(const RecipeBatch& whole, const RecipeBatch& inPieces) {
    if (inPieces.recipes.size() != whole.recipes.size() ||
        inPieces.problems.size() != whole.problems.size())
        fuzzing::fail("a document taken apart reads otherwise than parsed whole");
    for (std::size_t index = 0; index < whole.recipes.size(); ++index) {
        const RecipeEntry& one = whole.recipes[index];
        const RecipeEntry& other = inPieces.recipes[index];
        if (one.title != other.title || one.line != other.line ||
            one.categories != other.categories || one.ingredients != other.ingredients ||
            one.preparation != other.preparation || one.servings != other.servings ||
            one.notes != other.notes)
            fuzzing::fail("a recipe of a document taken apart reads otherwise");
    }
    for (std::size_t index = 0; index < whole.problems.size(); ++index) {
        const ImportProblem& one = whole.problems[index];
        const ImportProblem& other = inPieces.problems[index];
        if (isUnreadable(one) != isUnreadable(other) ||
            (!isUnreadable(one) && (one.line != other.line || one.message != other.message)))
            fuzzing::fail("a problem of a document taken apart reads otherwise");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr qsizetype parsedWhole = std::numeric_limits<qsizetype>::max();
    for (const bool asPage : {false, true}) {
        const auto read = [&](qsizetype wholeUpTo) {
            return asPage ? RecipeJsonReader::readPage(bytes, "fuzz.html", nullptr, wholeUpTo)
                          : RecipeJsonReader::readDocument(bytes, "fuzz.json", nullptr, wholeUpTo);
        };
        const RecipeBatch batch = read(parsedWhole);
        fuzzing::checkBatch(batch);
        checkWritingReadsBack(batch);
        for (const qsizetype wholeUpTo : {qsizetype(0), qsizetype(40)})
            checkSameReading(batch, read(wholeUpTo));
    }
    return 0;
}
