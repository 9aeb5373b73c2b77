#pragma once

// The JSON-LD of web pages as a strict JSON parser takes it.

#include <QByteArray>
#include <QByteArrayView>

namespace savrona {

// Pages write their JSON-LD loosely: wrapped in HTML comment or CDATA marks
// ("<!--", "// <![CDATA[", "/* <![CDATA[ */", "]]>"), with comments of
// either kind, and with a comma before a closing bracket. Those are blanked
// out; strings are left alone.
class LenientJson {
public:
    // The script's text with the marks, the comments and the trailing commas
    // turned into blanks. Every other byte stays where it was, line breaks
    // included, so a line counted in the result is the line of the page.
    static QByteArray cleaned(QByteArrayView script);
};

} // namespace savrona
