// Rounds amounts to kitchen fractions or to a few decimals and writes them.
#include "cookbook/card/AmountFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>

namespace savrona {

namespace {

struct Fraction {
    int numerator;
    int denominator;
    double value() const { return double(numerator) / denominator; }
};

constexpr std::array<Fraction, 11> eighthsAndThirds = {
    {{0, 1}, {1, 8}, {1, 4}, {1, 3}, {3, 8}, {1, 2}, {5, 8}, {2, 3}, {3, 4}, {7, 8}, {1, 1}}};
constexpr std::array<Fraction, 3> halves = {{{0, 1}, {1, 2}, {1, 1}}};
// Only for less than an eighth, which halving an eighth of a teaspoon gives.
constexpr std::array<Fraction, 3> belowAnEighth = {{{0, 1}, {1, 16}, {1, 8}}};

Fraction nearest(double part, std::span<const Fraction> candidates) {
    Fraction best = candidates.front();
    for (const Fraction candidate : candidates) {
        if (std::abs(candidate.value() - part) < std::abs(best.value() - part))
            best = candidate;
    }
    return best;
}

std::optional<QChar> glyphOf(Fraction fraction) {
    switch (fraction.denominator * 10 + fraction.numerator) {
    case 21:
        return QChar(u'½');
    case 31:
        return QChar(u'⅓');
    case 32:
        return QChar(u'⅔');
    case 41:
        return QChar(u'¼');
    case 43:
        return QChar(u'¾');
    case 81:
        return QChar(u'⅛');
    case 83:
        return QChar(u'⅜');
    case 85:
        return QChar(u'⅝');
    case 87:
        return QChar(u'⅞');
    default:
        return std::nullopt;
    }
}

QString withSeparator(QString fixed, QChar separator) {
    if (fixed.contains(u'.')) {
        while (fixed.endsWith(u'0'))
            fixed.chop(1);
        if (fixed.endsWith(u'.'))
            fixed.chop(1);
    }
    fixed.replace(u'.', separator);
    return fixed;
}

int decimalPlaces(double value) {
    return value >= 100 ? 0 : value >= 10 ? 1 : 2;
}

// A small amount with places enough to show its first two digits: "0.004".
int smallDecimalPlaces(double value) {
    return std::clamp(int(std::ceil(-std::log10(value))) + 1, 2, 12);
}

double roundedToPlaces(double value, int places) {
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

QString formatDecimal(double value, QChar separator) {
    int places = decimalPlaces(value);
    if (roundedToPlaces(value, places) == 0 && value > 0)
        places = smallDecimalPlaces(value);
    return withSeparator(QString::number(value, 'f', places), separator);
}

// A number rounded to a whole number and a kitchen fraction; a small amount that would round
// to nothing keeps its value, to be written in decimals.
struct KitchenFraction {
    double whole = 0;
    Fraction fraction{0, 1};
    double tiny = 0;

    double value() const { return tiny > 0 ? tiny : whole + fraction.value(); }
};

KitchenFraction kitchenFraction(double value) {
    if (value >= 100)
        return {std::round(value), {0, 1}};
    KitchenFraction rounded{std::floor(value)};
    const double part = value - rounded.whole;
    rounded.fraction = nearest(part, value >= 10     ? std::span<const Fraction>(halves)
                                     : value < 0.125 ? std::span<const Fraction>(belowAnEighth)
                                                     : std::span<const Fraction>(eighthsAndThirds));
    if (rounded.fraction.numerator == rounded.fraction.denominator)
        rounded = {rounded.whole + 1, {0, 1}};
    if (rounded.whole == 0 && rounded.fraction.numerator == 0 && value > 0)
        rounded.tiny = value;
    return rounded;
}

QString formatFraction(double value, const NumberStyle& style) {
    const KitchenFraction rounded = kitchenFraction(value);
    if (rounded.tiny > 0)
        return formatDecimal(rounded.tiny, style.decimalSeparator);
    const Fraction fraction = rounded.fraction;
    const QString wholeText = QString::number(rounded.whole, 'f', 0);
    if (fraction.numerator == 0)
        return wholeText;
    const std::optional<QChar> glyph = style.unicode ? glyphOf(fraction) : std::nullopt;
    const QString fractionText =
        glyph ? QString(*glyph)
              : QStringLiteral("%1/%2").arg(fraction.numerator).arg(fraction.denominator);
    if (rounded.whole == 0)
        return fractionText;
    return wholeText + (glyph && style.glued ? QString() : QStringLiteral(" ")) + fractionText;
}

} // namespace

QString formatNumber(double value, const NumberStyle& style) {
    if (!std::isfinite(value) || value < 0)
        return QString::number(value);
    if (style.kind == NumberStyle::Kind::Decimals)
        return formatDecimal(value, style.decimalSeparator);
    return formatFraction(value, style);
}

double shownNumber(double value, const NumberStyle& style) {
    if (!std::isfinite(value) || value <= 0)
        return value;
    if (style.kind == NumberStyle::Kind::Fractions)
        return kitchenFraction(value).value();
    const double rounded = roundedToPlaces(value, decimalPlaces(value));
    return rounded > 0 ? rounded : value;
}

bool takesPlural(const Amount& amount, const NumberStyle& style) {
    return shownNumber(amount.largest(), style) > 1;
}

QString formatAmount(const Amount& amount, const NumberStyle& style) {
    QString text = formatNumber(amount.low, style);
    if (amount.high)
        text += amount.rangeJoiner + formatNumber(*amount.high, style);
    return text;
}

} // namespace savrona
