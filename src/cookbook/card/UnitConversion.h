#pragma once

// Amounts in one system's units expressed in the other's, in the unit and to the precision
// a cook would measure them with.

#include "cookbook/card/Amount.h"
#include "cookbook/card/Units.h"

#include <optional>

namespace savrona {

// How the card shows units: as written, or all in one system.
enum class UnitMode { AsWritten, Metric, Us };

std::optional<UnitSystem> systemFor(UnitMode mode);

// The unit a cook would measure an amount of baseAmount (millilitres or grams) in: millilitres
// up to a litre and litres beyond (grams and kilograms alike); teaspoons below a
// tablespoon, tablespoons below a quarter cup, cups below a gallon, then gallons; ounces
// below a pound, then pounds.
Unit kitchenUnit(double baseAmount, UnitKind kind, UnitSystem system);

// An amount in unit rounded to what a kitchen measures: millilitres and grams to steps of
// 0.5, 1, 5 or 10 as they grow, litres and kilograms to 0.05 below 10; ounces from 4 up to
// whole ones. Other units are left to the fractions they are written in. An amount that is
// not zero never rounds to zero.
double kitchenRounded(double amount, Unit unit);

struct ConvertedAmount {
    Amount amount;
    Unit unit;
};

// The amount measured in `from` expressed in the other system, both ends of a range in
// the unit chosen for the lower one. Never turns a volume into a weight.
ConvertedAmount convertAmount(const Amount& amount, Unit from, UnitSystem to);

} // namespace savrona
