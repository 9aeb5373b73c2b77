// Chooses the unit for an amount in a system and rounds it as a kitchen measures.
#include "cookbook/card/UnitConversion.h"

#include <cmath>

namespace savrona {

namespace {

double roundedToStep(double value, double step) {
    return std::round(value / step) * step;
}

// For millilitres and grams.
double smallMetricStep(double amount) {
    return amount < 10 ? 0.5 : amount < 50 ? 1 : amount < 200 ? 5 : 10;
}

// For litres and kilograms.
double largeMetricStep(double amount) {
    return amount < 10 ? 0.05 : amount < 100 ? 0.5 : 1;
}

double twoSignificantDigits(double amount) {
    const double scale = std::pow(10.0, 1 - std::floor(std::log10(amount)));
    if (!std::isfinite(scale))
        return amount;
    return std::round(amount * scale) / scale;
}

Unit usVolumeUnit(double millilitres) {
    const double cups = millilitres / baseSize(Unit::Cup);
    if (cups >= 16)
        return Unit::Gallon;
    // A little less than a quarter cup or a tablespoon still rounds to one.
    if (cups >= 0.25 - 1.0 / 64)
        return Unit::Cup;
    if (millilitres / baseSize(Unit::Tablespoon) >= 1 - 1.0 / 16)
        return Unit::Tablespoon;
    return Unit::Teaspoon;
}

} // namespace

std::optional<UnitSystem> systemFor(UnitMode mode) {
    switch (mode) {
    case UnitMode::Metric:
        return UnitSystem::Metric;
    case UnitMode::Us:
        return UnitSystem::Us;
    case UnitMode::AsWritten:
        break;
    }
    return std::nullopt;
}

Unit kitchenUnit(double baseAmount, UnitKind kind, UnitSystem system) {
    if (system == UnitSystem::Metric) {
        const Unit small = kind == UnitKind::Volume ? Unit::Millilitre : Unit::Gram;
        const Unit large = kind == UnitKind::Volume ? Unit::Litre : Unit::Kilogram;
        return kitchenRounded(baseAmount, small) >= 1000 ? large : small;
    }
    if (kind == UnitKind::Volume)
        return usVolumeUnit(baseAmount);
    return kitchenRounded(baseAmount / baseSize(Unit::Ounce), Unit::Ounce) >= 16 ? Unit::Pound
                                                                                 : Unit::Ounce;
}

double kitchenRounded(double amount, Unit unit) {
    if (!std::isfinite(amount) || amount <= 0)
        return amount;
    double rounded = amount;
    switch (unit) {
    case Unit::Millilitre:
    case Unit::Gram:
        rounded = roundedToStep(amount, smallMetricStep(amount));
        break;
    case Unit::Litre:
    case Unit::Kilogram:
        rounded = roundedToStep(amount, largeMetricStep(amount));
        break;
    case Unit::Ounce:
        if (amount >= 4)
            rounded = std::round(amount);
        break;
    default:
        break;
    }
    return rounded > 0 ? rounded : twoSignificantDigits(amount);
}

ConvertedAmount convertAmount(const Amount& amount, Unit from, UnitSystem to) {
    const Unit unit = kitchenUnit(amount.low * baseSize(from), kindOf(from), to);
    const auto converted = [&](double value) {
        return kitchenRounded(value * baseSize(from) / baseSize(unit), unit);
    };
    ConvertedAmount result{amount, unit};
    result.amount.low = converted(amount.low);
    if (amount.high)
        result.amount.high = converted(*amount.high);
    return result;
}

} // namespace savrona
