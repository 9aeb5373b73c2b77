// MealMaster files: reading gives well-formed recipes whatever the bytes, and what it
// gives, written again, reads back as the same recipes under the same titles.

#include "ImportChecks.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterReader.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterWriter.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

using namespace savrona;

RecipeBatch readBytes(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return MealMasterReader::read(buffer, QStringLiteral("fuzz.mmf"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RecipeBatch batch =
        readBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    fuzzing::checkBatch(batch);

    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    MealMasterWriter::write(buffer, batch.recipes);
    const RecipeBatch again = readBytes(written);
    if (again.recipes.size() != batch.recipes.size())
        fuzzing::fail("the recipes written do not read back as as many recipes");
    for (std::size_t index = 0; index < again.recipes.size(); ++index) {
        if (again.recipes[index].title != batch.recipes[index].title)
            fuzzing::fail("a title written reads back changed");
        if (again.recipes[index].categories.value(0) != batch.recipes[index].categories.value(0))
            fuzzing::fail("a category written reads back changed");
    }
    return 0;
}
