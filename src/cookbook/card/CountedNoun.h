#pragma once

// The noun an amount counts, put in the singular or the plural when a scaled amount needs
// it: "2 eggs" halved reads "1 egg", "1 onion, chopped" doubled "2 onions, chopped".

#include <QString>

namespace savrona {

// The item's text (what follows the amount) with its counted noun in the number asked for:
// the first word when it names a piece of something ("cloves garlic", "cans tomatoes"),
// else the last word before a comma, a parenthesis or " of ". A word that does not look
// like a noun of that number is left as it is.
QString withCountedNoun(const QString& item, bool plural);

} // namespace savrona
