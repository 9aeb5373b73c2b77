#pragma once

// The kitchen units an amount is measured in: how they are spelled and how much each one
// holds, in millilitres for volumes and in grams for weights.

#include <QString>
#include <QStringView>

#include <optional>

namespace savrona {

enum class Unit {
    Teaspoon,
    Tablespoon,
    FluidOunce,
    Cup,
    Pint,
    Quart,
    Gallon,
    Millilitre,
    Centilitre,
    Decilitre,
    Litre,
    Ounce,
    Pound,
    Gram,
    Kilogram,
};

enum class UnitKind { Volume, Weight };
enum class UnitSystem { Metric, Us };

UnitKind kindOf(Unit unit);
UnitSystem systemOf(Unit unit);
// Millilitres in one unit of volume, grams in one unit of weight. Ounces and pounds are
// weights; a fluid ounce is a volume.
double baseSize(Unit unit);

// A unit's spelling found at the start of a text.
struct WrittenUnit {
    Unit unit;
    qsizetype length; // the characters it takes, an abbreviation's dot included
};

// Reads a unit at the start of text: "cups", "Tbsp.", "fl oz", "g" and the other common
// spellings and abbreviations, ending where a word ends. Case does not count, but for the
// single letters "T" (tablespoon) and "t" (teaspoon).
std::optional<WrittenUnit> readUnit(QStringView text);

// The spelling used for a unit converted to: "tsp", "tbsp", "cup"/"cups", "ml", "g" ...
QString unitSpelling(Unit unit, bool plural);

// A unit as written, with the word in the number the amount before it asks for: "cup" and
// "cups", "Pound" and "Pounds". Abbreviations stay as written.
QString respelledUnit(QStringView written, bool plural);

} // namespace savrona
