#pragma once

// The fonts the windows are laid out for, loaded from free look-alike files
// where the system lacks them.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace savrona {

// Where Debian's fonts-wine puts its metric-compatible Tahoma and MS Sans Serif.
inline const QString designFontFolder = QStringLiteral("/usr/share/wine/fonts");

// Tahoma as the multi-line edit boxes space its lines: 13 pixels a line at
// 8 point, where the look-alike file gives 11.
inline const QString tahomaLinesFamily = QStringLiteral("Tahoma Lines");

// Adds to the application's fonts, each one whose file is in the folder:
// Tahoma (tahoma.ttf), bold Tahoma (tahomabd.ttf, see boldDrawnFromOutlines),
// MS Sans Serif (ms_sans_serif.ttf) and Tahoma Lines (from tahoma.ttf, see
// withDesignedLines). A missing or unreadable file is skipped, and the
// windows fall back to their look-alike families. Returns the families
// added, each once. Call once, before the windows are created.
QStringList loadDesignFonts(const QString& folder = designFontFolder);

// Tahoma Bold's file has the bold face's widths but outlines of regular
// weight; its bold shapes are only in embedded bitmaps, which smoothed text
// never uses. Derived from it: the same font with a weight under bold, so that
// the font engine emboldens the outlines of bold text laid out at the bold
// widths. Empty when file is no font file with the tables that takes.
QByteArray boldDrawnFromOutlines(const QByteArray& file);

// Tahoma's outlines and widths under the family tahomaLinesFamily, with the
// line height that 8-point Tahoma has where the windows were laid out: 11
// pixels above the baseline and 2 below. The look-alike file's embedded
// bitmaps go with it: the font engine takes a font's line height from the
// bitmaps of the size in use, 9 and 2 pixels there. Empty when file is no font
// file with the tables that takes.
QByteArray withDesignedLines(const QByteArray& file);

} // namespace savrona
