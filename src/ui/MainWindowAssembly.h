#pragma once

// The one place that puts the main window together as the program ships it.

#include <QString>

#include <memory>

class TformMain;

namespace savrona {

struct Platform;

// TformMain on the data folder (the current directory when empty) with its
// dialogs (About, Add new category, Change category, Edit category) and every
// addition (find, print, import and export, recipe card), the window references set. The
// program, the tests and the benchmarks all use it, so that they run the
// window that ships. The dialogs and additions belong to the window; the
// references are cleared when it goes.
//
// Given a sharing state folder (SharingState::folderFor), the window also merges what a
// sync engine brings into the data folder (SharingController); the program gives one,
// tests that are not about sharing do not, so they keep nothing outside their folders.
std::unique_ptr<TformMain> createMainWindow(Platform& platform,
                                            const QString& dataFolder = QString(),
                                            const QString& sharingStateFolder = QString());

} // namespace savrona
