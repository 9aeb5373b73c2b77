#pragma once

// The desktop's save dialog and web browser, behind the seams the main window uses.

#include "platform/seams/PlatformSeams.h"

class QFileDialog;

namespace savrona {

// The save dialog of the exports: files of the type asked for or all files,
// the type's extension added to a name without one (for the recipe export:
// text files, "txt"), no question before a file is replaced. Qt's dialog
// leaves the process's current directory where it was.
class DesktopSaveFileDialog : public SaveFileDialog {
public:
    std::optional<QString> chooseFile(QWidget* parent, const QString& proposedName,
                                      const SaveFileType& type) override;

    // Sets up a dialog as chooseFile shows it.
    static void configure(QFileDialog& dialog, const QString& proposedName,
                          const SaveFileType& type);
};

// Qt's file dialogs for the collection import (several files) and export (a
// file type chosen with the name; the type's extension added to a name
// without one; a question before an existing file is replaced), and for a
// folder (folders only; a new one can be made in it).
class DesktopFileDialogs : public FileDialogs {
public:
    QStringList chooseFilesToOpen(QWidget* parent, const QString& caption,
                                  const QStringList& fileTypes) override;
    std::optional<SaveChoice> chooseFileToSave(QWidget* parent, const QString& caption,
                                               const QString& proposedName,
                                               const QStringList& fileTypes) override;
    std::optional<QString> chooseFolder(QWidget* parent, const QString& caption) override;

    // The extension a file type names first: "mmf" for "MealMaster (*.mmf)".
    static QString extensionOf(const QString& fileType);
};

// Opens a web address in the user's browser; a failure is not reported.
class DesktopUrlOpener : public UrlOpener {
public:
    void open(const QUrl& address) override;
};

} // namespace savrona
