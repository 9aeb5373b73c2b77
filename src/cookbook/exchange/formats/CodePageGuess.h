#pragma once

// Telling which of the two old code pages a text that is not UTF-8 was written in.

#include "cookbook/exchange/formats/SourceText.h"

#include <QByteArrayView>

namespace savrona {

// Weighs each byte beyond ASCII of the lines that are not UTF-8 by what it
// reads as in each code page, beside the characters around it: a letter
// inside a word, a degree sign or a fraction after a number, an apostrophe
// between letters make sense; box drawing, Greek letters, a letter after a
// number or a capital inside a lower-case word, and the bytes Windows-1252
// leaves undefined, do not. So "350\xF8F" reads as "350°F" (code page 437)
// and "Cr\xE8me" as "Crème" (Windows-1252).
class CodePageGuess {
public:
    void add(QByteArrayView line);
    // Code page 437 where it makes more sense of the bytes; Windows-1252,
    // the far more common one, otherwise.
    CodePage guess() const;

private:
    int m_ibm437 = 0;
    int m_windows1252 = 0;
};

} // namespace savrona
