#pragma once

// An amount as an ingredient line gives it: one number or a range, and how it was written.

#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>

namespace savrona {

// How a number was written, from the plainest: "2", "1/2" or "1 1/2", "½" or "1½", "1.5".
enum class NumberForm { Whole, Fraction, UnicodeFraction, Decimal };

struct Amount {
    double low = 0;
    std::optional<double> high;          // the upper end of a range
    QString rangeJoiner;                 // between the ends as written: "-", "–", " to "
    NumberForm form = NumberForm::Whole; // of the end written the most particularly

    double largest() const { return high.value_or(low); }

    bool isFinite() const { return std::isfinite(low) && std::isfinite(high.value_or(0)); }

    Amount scaled(double factor) const {
        Amount scaled = *this;
        scaled.low *= factor;
        if (high)
            scaled.high = *high * factor;
        return scaled;
    }
};

inline NumberForm moreParticular(NumberForm first, NumberForm second) {
    return std::max(first, second);
}

} // namespace savrona
