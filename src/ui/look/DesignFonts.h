#pragma once

// The fonts the windows are laid out for, loaded from free look-alike files
// where the system lacks them.

#include <QString>
#include <QStringList>

namespace savrona {

// Where Debian's fonts-wine puts its metric-compatible Tahoma and MS Sans Serif.
inline const QString designFontFolder = QStringLiteral("/usr/share/wine/fonts");

// Adds tahoma.ttf and ms_sans_serif.ttf from the folder to the application's
// fonts, each one that is there; a missing or unreadable file is skipped, and
// the windows fall back to their look-alike families. Returns the families
// added. Call once, before the windows are created.
//
// The folder's tahomabd.ttf is left out on purpose: it has Tahoma Bold's
// widths but outlines of regular weight (the bold shapes are only in its
// embedded bitmaps, which smoothed text never uses), so bold labels would
// look regular. Without it, bold Tahoma is drawn emboldened from tahoma.ttf.
QStringList loadDesignFonts(const QString& folder = designFontFolder);

} // namespace savrona
