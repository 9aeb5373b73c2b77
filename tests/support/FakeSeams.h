#pragma once

// Stand-ins for the platform seams: each answers as the test configures it and
// records what the code under test asked. Qt Core only, so that the cookbook
// tests use them too; the print dialog's printer is reached only through the
// test's own callback.

#include "platform/seams/PlatformSeams.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace savrona::testing {

// Records every message box shown. A question (Confirmation, RetryOrQuit) is
// answered with the next of `answers`, then with `answer` once they run out;
// a box with OK alone always answers true, as the real one does.
class FakeMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        Kind kind;
        QString text;
    };

    bool show(Kind kind, const QString& text) override;
    QStringList texts() const;
    QStringList textsOf(Kind kind) const;

    std::vector<Shown> shown;
    std::deque<bool> answers;
    bool answer = true;
    // Called with each box once it is recorded and before it is answered:
    // to print it, or to mend a failure before the user's answer.
    std::function<void(const Shown&)> beforeAnswer;
};

// A settings store in memory; names in `unwritable` refuse to be written.
class FakeSettingsStore : public SettingsStore {
public:
    std::optional<QVariant> value(const QString& name) override;
    bool setValue(const QString& name, const QString& text) override;

    std::map<QString, QVariant> values;
    std::set<QString> unwritable;
    QStringList written; // names, in the order written
};

// Records the name and file type proposed; answers with `answer`, nothing
// being a cancel.
class FakeSaveFileDialog : public SaveFileDialog {
public:
    std::optional<QString> chooseFile(QWidget* parent, const QString& proposedName,
                                      const SaveFileType& type) override;

    std::optional<QString> answer;
    QString proposed;
    QString proposedType; // the type's default suffix
};

// Hands the printer to `choose`, which stands for the user: it may read and
// set up the printer and answers; without it the user cancels.
class FakePrintDialog : public PrintDialog {
public:
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;

    std::function<bool(QPrinter&)> choose;
    int shownCount = 0;
};

// The import's open dialog answers `filesToOpen` (empty: cancelled), the
// export's save dialog `saveChoice` (nothing: cancelled); both record what
// they were shown.
class FakeFileDialogs : public FileDialogs {
public:
    QStringList chooseFilesToOpen(QWidget* parent, const QString& caption,
                                  const QStringList& fileTypes) override;
    std::optional<SaveChoice> chooseFileToSave(QWidget* parent, const QString& caption,
                                               const QString& proposedName,
                                               const QStringList& fileTypes) override;
    std::optional<QString> chooseFolder(QWidget* parent, const QString& caption) override;

    QStringList filesToOpen;
    std::optional<SaveChoice> saveChoice;
    std::optional<QString> folder;

    QString openCaption;
    QStringList openTypes;
    QString saveCaption;
    QString proposedName;
    QStringList saveTypes;
    QString folderCaption;
};

class FakeUrlOpener : public UrlOpener {
public:
    void open(const QUrl& address) override { opened.append(address); }

    QList<QUrl> opened;
};

// Every seam faked, bundled as the windows take them. `platform` points into
// this object, so it is neither copied nor moved.
struct FakePlatform {
    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeMessageBoxes messages;
    FakeSettingsStore settings;
    FakeSaveFileDialog saveDialog;
    FakeUrlOpener urls;
    FakePrintDialog printDialog;
    FakeFileDialogs fileDialogs;
    Platform platform{&messages, &settings, &saveDialog, &urls, &printDialog, &fileDialogs};
};

} // namespace savrona::testing
