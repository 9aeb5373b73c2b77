#pragma once

// What the recipe card shows for an ingredient line: the amounts at its start scaled to the
// servings and, in metric or US mode, converted. The stored line never changes.

#include "cookbook/card/UnitConversion.h"

#include <QString>

namespace savrona {

// The line with its amounts multiplied by factor (a factor that is not a positive number
// counts as 1) and written as the line writes numbers (see LineWriting), the units of a
// system other than mode's converted. A size in parentheses after a count ("2 (14 oz)
// cans") is converted but not scaled; the same amount given in two systems ("1 cup (240 ml)
// milk") shows once, in mode's system. A line without an amount, or shown at factor 1 as
// written, is returned as it is.
QString displayIngredientLine(const QString& line, double factor, UnitMode mode);

} // namespace savrona
