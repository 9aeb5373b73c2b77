#pragma once

// Character references of HTML ("&amp;", "&frac13;", "&#8217;", "&#x2019;"), decoded as
// browsers decode them in text.

#include <QString>
#include <QStringView>

#include <span>
#include <string_view>

namespace savrona::html {

// A named character reference: its name without "&" and ";", the one or two
// characters it stands for (second is 0 for one), and whether browsers also
// take it without its semicolon, as the oldest names were written.
struct NamedReference {
    std::string_view name;
    char32_t first;
    char32_t second;
    bool legacy;
};

// Every named reference HTML knows, sorted by name (HtmlEntityTable.cpp).
std::span<const NamedReference> namedReferences();

class CharacterReferences {
public:
    // The text with every reference decoded: each name of HTML's table
    // followed by its semicolon (one of the oldest also without it, where no
    // letter, digit or "=" follows), and decimal and hexadecimal numbers (the
    // semicolon optional). A number that names no character (0, a
    // surrogate, beyond U+10FFFF) goes, as libxml2's parser drops it; one of
    // 128 to 159 gives the character Windows-1252 has there, as in browsers.
    // Anything else stays as it is.
    static QString decoded(QStringView text);

    // The character Windows-1252 puts at a C1 control's place (U+0080 to
    // U+009F), as pages that meant that code page give them; the control
    // itself where the code page has nothing there.
    static char16_t fromC1Control(char16_t control);
};

} // namespace savrona::html
