#pragma once

// The platform pieces the windows use, each behind a small interface so that
// tests can answer in place of the user or the system.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QPrinter;
class QWidget;
class QUrl;

namespace savrona {

class MessageBoxes {
public:
    enum class Kind {
        Warning,      // "Warning", exclamation icon, OK
        Error,        // "Error", stop icon, OK
        Information,  // "Information", information icon, OK
        Confirmation, // "Confirm", question icon, Yes (Enter) and No (Escape)
        Failure,      // the application's error box: the title as caption, stop icon, OK
        // The title as caption, warning icon, "&Try Again" (Enter, Escape)
        // and "&Quit Without Saving": a write that still fails at exit.
        RetryOrQuit,
    };
    virtual ~MessageBoxes() = default;
    // Shows a modal message; true when the answer is OK, Yes or Try Again.
    virtual bool show(Kind kind, const QString& text) = 0;

    enum class UnsavedAnswer { TryAgain, QuitWithoutSaving, SaveElsewhere };
    // The RetryOrQuit box with a third button after its two, "Save
    // &Elsewhere...": save the cookbook into another folder and quit. A seam
    // that does not offer it asks the two-button question.
    virtual UnsavedAnswer askRetryQuitOrSaveElsewhere(const QString& text) {
        return show(Kind::RetryOrQuit, text) ? UnsavedAnswer::TryAgain
                                             : UnsavedAnswer::QuitWithoutSaving;
    }
};

// The per-user store of the window placement (the registry on Windows).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Nothing when the value does not exist.
    virtual std::optional<QVariant> value(const QString& name) = 0;
    // False when the value could not be written.
    virtual bool setValue(const QString& name, const QString& text) = 0;
};

// The kind of file a save dialog asks for: its entry in the list of file
// types (chosen when the dialog opens, "All files" beside it) and the
// extension added to a name typed without one.
struct SaveFileType {
    QString filter;
    QString defaultSuffix;
};

inline const SaveFileType textFileType{QStringLiteral("Text file (*.txt)"), QStringLiteral("txt")};
inline const SaveFileType pdfFileType{QStringLiteral("PDF document (*.pdf)"),
                                      QStringLiteral("pdf")};

class SaveFileDialog {
public:
    virtual ~SaveFileDialog() = default;
    // The full path chosen, or nothing when the user cancels.
    virtual std::optional<QString> chooseFile(QWidget* parent, const QString& proposedName,
                                              const SaveFileType& type) = 0;
};

class PrintDialog {
public:
    virtual ~PrintDialog() = default;
    // Lets the user choose the printer and its settings (page size, copies,
    // printing to a file) on printer; false when the user cancels.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The file dialogs of the collection import and export, and the folder the
// exit saves a cookbook in when its own folder is gone.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // One or more existing files to read, shown by fileTypes ("MealMaster
    // (*.mmf *.mm)", the first chosen when the dialog opens); empty when the
    // user cancels.
    virtual QStringList chooseFilesToOpen(QWidget* parent, const QString& caption,
                                          const QStringList& fileTypes) = 0;

    struct SaveChoice {
        QString path;
        int fileType = 0; // the index of the file type chosen
    };
    // A file to write and the file type chosen for it; a name typed without
    // an extension gets the type's. Nothing when the user cancels.
    virtual std::optional<SaveChoice> chooseFileToSave(QWidget* parent, const QString& caption,
                                                       const QString& proposedName,
                                                       const QStringList& fileTypes) = 0;
    // An existing folder, or one the user makes in the dialog; nothing when
    // the user cancels.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& caption) = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Asks the desktop to open the address; failures are not reported.
    virtual void open(const QUrl& address) = 0;
};

// The set of seams handed to the windows at start-up.
struct Platform {
    MessageBoxes* messages = nullptr;
    SettingsStore* settings = nullptr;
    SaveFileDialog* saveDialog = nullptr;
    UrlOpener* urls = nullptr;
    PrintDialog* printDialog = nullptr;
    FileDialogs* fileDialogs = nullptr;
};

} // namespace savrona
