#pragma once

// The real message boxes behind MessageBoxes; tests put their own in place.

#include "platform/seams/PlatformSeams.h"

class QAbstractButton;
class QMessageBox;

namespace savrona {

// The message boxes of the four kinds and the application's error box, shown
// modally with Qt's message box, centred on the screen.
class QtMessageBoxes : public MessageBoxes {
public:
    bool show(Kind kind, const QString& text) override;
    UnsavedAnswer askRetryQuitOrSaveElsewhere(const QString& text) override;

    // Sets up a box as show() shows it; the button that answers yes or OK is
    // returned. Tests look at the box without running it.
    static QAbstractButton* configure(QMessageBox& box, Kind kind, const QString& text);
    // Adds "Save &Elsewhere..." after a RetryOrQuit box's two buttons.
    static QAbstractButton* addSaveElsewhereButton(QMessageBox& box);

    // A message's line break is a single carriage return; Qt breaks lines at
    // a line feed.
    static QString displayText(const QString& text);
};

} // namespace savrona
