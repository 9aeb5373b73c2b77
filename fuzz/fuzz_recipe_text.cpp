// Exported recipe texts, and the telling apart of import files: whatever the bytes,
// reading gives well-formed recipes.

#include "ImportChecks.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "cookbook/exchange/formats/RecipeTextReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace savrona;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    RecipeFileReader::formatOf(bytes);
    RecipeTextReader::hasLayout(bytes);
    fuzzing::checkBatch(RecipeTextReader::read(bytes, QStringLiteral("fuzz.txt")));
    return 0;
}
