#pragma once

// Words compared as a cook would: a plural and its singular alike, letter case and the
// blanks between words not counting.

#include <QString>

namespace savrona {

// A word in the singular as far as comparing goes: the plural and the singular of a word
// give the same text, though not always an English word ("cookies" and "cookie" give
// "cooky").
QString comparableWord(QString word);

// A name to compare by: case folded, blanks simplified, each word comparableWord's:
// "Main Dishes", "main  dish" and "Main dish" give the same key.
QString comparableName(const QString& name);

} // namespace savrona
