#pragma once

// Oven and cooking temperatures in preparation text shown in the other scale.

#include "cookbook/card/UnitConversion.h"

#include <QString>

namespace savrona {

// In metric mode "350°F" shows as "180°C", in US mode "180 °C" as "350 °F"; the rest of
// the text, the blanks, the degree sign or the word "degrees" stay as written. A temperature
// is a number (or a range) followed by a degree sign or "degrees" and F or C, or by the
// word Fahrenheit or Celsius, or from 100 up by a capital F or C alone ("350F", "200 C";
// "2 C" would be cups). Oven heat is rounded as ovens are set: to
// 10 °C from 300 °F, to 25 °F from 150 °C; lower temperatures to the degree.
QString convertTemperatures(const QString& text, UnitMode mode);

} // namespace savrona
