#pragma once

// One wording rule of the application's error box, shared by the application object and
// the main window.

#include <QString>

namespace savrona {

// The text the application's error box shows for an error message: a full
// stop is added when the last character sorts after "." in character-code
// order, so "Field 'x' not found" gets one and "Done." or "Why!" do not.
inline QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

} // namespace savrona
