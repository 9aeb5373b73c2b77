#pragma once

// The number of servings a recipe's servings field tells, which scaling starts from.

#include <QStringView>

#include <optional>

namespace savrona {

// The first number in the text, written in figures (as amounts are, see readAmount) or as
// a word from "one" to "twelve": "4", "4 servings", "Serves 4-6" (the lower end), "Makes 12
// cookies", "6 portions", "serves four". None when the text has no number above zero.
std::optional<double> readServings(QStringView text);

} // namespace savrona
