#pragma once

// Conversion between Windows-1252 and UTF-8, so that older binary packets read with
// their texts intact.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace savrona {

// Windows-1252, the single-byte Western European code page in which the
// original engine's packets hold their texts (the initial cookbook uses the
// degree sign, é, ½ and ¼).
//
// Every byte decodes: the five bytes the code page leaves undefined
// (81 8D 8F 90 9D) become the C1 control characters of the same number, so
// decoding never fails and encoding a decoded text gives the same bytes back.
QByteArray windows1252ToUtf8(QByteArrayView bytes);

// The Windows-1252 bytes of a UTF-8 text, or nothing when the text holds a
// character the code page has no byte for (or is not valid UTF-8).
std::optional<QByteArray> utf8ToWindows1252(QByteArrayView utf8);

} // namespace savrona
