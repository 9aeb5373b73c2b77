#pragma once

// Amounts written as a cook writes them: "1 1/2" or "1½", "0.75" or "0,75", rounded to
// what a kitchen measures, never "1.4999".

#include "cookbook/card/Amount.h"

#include <QString>

namespace savrona {

struct NumberStyle {
    enum class Kind { Fractions, Decimals };
    Kind kind = Kind::Fractions;
    bool unicode = false;          // "½" rather than "1/2"
    bool glued = true;             // "1½" rather than "1 ½"
    QChar decimalSeparator = u'.'; // "." or ","
};

// In fractions, below 10 the nearest eighth or third ("2 1/3", "⅜"), below 100 the nearest
// half, above that whole numbers. In decimals, two places below 10, one below 100, none
// above, trailing zeros dropped. An amount that is not zero never shows as zero.
QString formatNumber(double value, const NumberStyle& style);

// The number formatNumber writes for value.
double shownNumber(double value, const NumberStyle& style);

// Whether a unit or item after the amount takes the plural: more than 1 as written.
bool takesPlural(const Amount& amount, const NumberStyle& style);

// Both ends of a range joined as they were written.
QString formatAmount(const Amount& amount, const NumberStyle& style);

} // namespace savrona
