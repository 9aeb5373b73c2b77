// The amount reader and what the recipe card shows: any text reads without failing, the
// positions read lie in order within the line, the amounts are finite; showing the line
// scaled and converted never fails and, at factor 1 as written, shows it unchanged; the
// temperatures, the servings and the shopping list builder take the same text.

#include "FuzzChecks.h"
#include "cookbook/card/IngredientDisplay.h"
#include "cookbook/card/IngredientLine.h"
#include "cookbook/card/ServingsReader.h"
#include "cookbook/card/Temperatures.h"
#include "cookbook/shopping/ShoppingListBuilder.h"

#include <QString>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace savrona;

bool isAmount(double value) {
    return std::isfinite(value) && value >= 0;
}

void checkMeasure(const Measure& measure, qsizetype size) {
    if (!(0 <= measure.start && measure.start < measure.amountEnd &&
          measure.amountEnd <= measure.unitStart && measure.unitStart <= measure.end &&
          measure.end <= size))
        fuzzing::fail("a measure's positions are out of order or beyond the line");
    if (!isAmount(measure.amount.low) || (measure.amount.high && !isAmount(*measure.amount.high)))
        fuzzing::fail("an amount that is not a finite number");
}

void checkRead(const QString& line) {
    const IngredientLine read = readIngredientLine(line);
    if (read.itemStart < 0 || read.itemStart > line.size())
        fuzzing::fail("the item starts beyond the line");
    if (!read.measure)
        return;
    checkMeasure(*read.measure, line.size());
    if (read.itemStart < read.measure->end)
        fuzzing::fail("the item starts within the amount");
    if (read.inParentheses) {
        checkMeasure(*read.inParentheses, line.size());
        if (!(read.measure->end == read.groupStart && read.groupStart < read.inParentheses->start &&
              read.inParentheses->end < read.groupEnd && read.groupEnd <= read.itemStart))
            fuzzing::fail("the parentheses are out of order");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the factor and how to read the rest: UTF-8 or raw UTF-16.
    constexpr std::array factors = {0.5, 1.5, 2.0, 1.0 / 3, 3.0, 0.01, 1e6, 0.0};
    const double factor = factors[data[0] % factors.size()];
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    QString line;
    if (data[0] & 0x80) {
        line.resize(qsizetype((size - 1) / 2));
        std::memcpy(line.data(), rest, std::size_t(line.size()) * sizeof(QChar));
    } else {
        line = QString::fromUtf8(rest, qsizetype(size - 1));
    }
    checkRead(line);
    if (displayIngredientLine(line, 1, UnitMode::AsWritten) != line)
        fuzzing::fail("the line changed at factor 1 as written");
    for (const UnitMode mode : {UnitMode::AsWritten, UnitMode::Metric, UnitMode::Us}) {
        displayIngredientLine(line, factor, mode);
        const QString converted = convertTemperatures(line, mode);
        if (mode == UnitMode::AsWritten && converted != line)
            fuzzing::fail("temperatures changed as written");
    }
    if (const std::optional<double> servings = readServings(line);
        servings && !(isAmount(*servings) && *servings > 0))
        fuzzing::fail("servings that are not a number above zero");
    ShoppingListBuilder builder;
    builder.addRecipe(QStringLiteral("R"), line, factor);
    for (const ShoppingLine& shopping : builder.lines()) {
        if (shopping.recipes != QStringList{QStringLiteral("R")})
            fuzzing::fail("a shopping line without its recipe");
    }
    return 0;
}
