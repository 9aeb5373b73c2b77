#pragma once

// Reads the amount at the start of an ingredient line, with the unit after it, and says where
// each piece stands so that the line can be written again with other amounts.

#include "cookbook/card/Amount.h"
#include "cookbook/card/AmountFormat.h"
#include "cookbook/card/Units.h"

#include <QStringView>

#include <optional>

namespace savrona {

// An amount and the unit written after it; the positions count in the line's characters.
struct Measure {
    Amount amount;
    std::optional<Unit> unit;
    qsizetype start = 0;     // the amount's first character
    qsizetype amountEnd = 0; // just past the amount
    qsizetype unitStart = 0; // the unit's first character, past the blanks or "-" before it
    qsizetype end = 0;       // just past the unit, or the amount when there is none
};

// How a line writes its numbers, so that new ones match: Unicode fractions ("½", glued to
// the whole number or not) and the decimal separator.
struct LineWriting {
    bool unicodeFractions = false;
    bool gluedFractions = true;
    QChar decimalSeparator = u'.';

    // An amount written in the given form before the unit: decimals for decimals, and for
    // whole numbers of a metric unit ("250 g"); fractions otherwise.
    NumberStyle styleFor(NumberForm form, std::optional<Unit> unit) const;
    // A converted amount: decimals in metric, fractions in US units.
    NumberStyle styleFor(UnitSystem system) const;
};

struct IngredientLine {
    // The amount at the start of the line, after blanks and a bullet ("-", "*", "•");
    // none for a line such as "salt to taste".
    std::optional<Measure> measure;
    // A measure with a unit in parentheses right after it: the size of what is counted
    // ("2 (14 oz) cans") when the first amount has no unit, otherwise the same amount in other
    // units ("1 cup (240 ml) milk"). The group spans from the blanks before "(" past ")".
    std::optional<Measure> inParentheses;
    qsizetype groupStart = 0;
    qsizetype groupEnd = 0;
    // Where the item begins: past the amounts and the blanks after them.
    qsizetype itemStart = 0;
    LineWriting writing;

    bool countsPackages() const { return inParentheses && measure && !measure->unit; }
};

// Reads a line; a line that does not start with an amount has no measure. An amount is a
// whole number, a decimal with "." or ",", a fraction "1/2", a mixed number "1 1/2" or
// "1-1/2", a Unicode fraction "½" alone or after a whole number ("1½", "1 ½"), or a range of
// two of them joined by "-", "–" or "to". A number glued to a word that is not a unit
// ("1-inch", "2nd") is no amount.
IngredientLine readIngredientLine(QStringView line);

// Reads an amount (no unit) at position in text, moving position past it.
std::optional<Amount> readAmount(QStringView text, qsizetype& position,
                                 LineWriting* writing = nullptr);

} // namespace savrona
