#include "support/FakeSeams.h"

namespace savrona::testing {

namespace {

bool isQuestion(MessageBoxes::Kind kind) {
    return kind == MessageBoxes::Kind::Confirmation || kind == MessageBoxes::Kind::RetryOrQuit;
}

} // namespace

bool FakeMessageBoxes::show(Kind kind, const QString& text) {
    shown.push_back({kind, text});
    if (beforeAnswer)
        beforeAnswer(shown.back());
    if (!isQuestion(kind))
        return true;
    if (answers.empty())
        return answer;
    const bool next = answers.front();
    answers.pop_front();
    return next;
}

QStringList FakeMessageBoxes::texts() const {
    QStringList result;
    for (const Shown& message : shown)
        result.append(message.text);
    return result;
}

QStringList FakeMessageBoxes::textsOf(Kind kind) const {
    QStringList result;
    for (const Shown& message : shown)
        if (message.kind == kind)
            result.append(message.text);
    return result;
}

std::optional<QVariant> FakeSettingsStore::value(const QString& name) {
    const auto found = values.find(name);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}

bool FakeSettingsStore::setValue(const QString& name, const QString& text) {
    if (unwritable.count(name) != 0)
        return false;
    values[name] = text;
    written.append(name);
    return true;
}

std::optional<QString> FakeSaveFileDialog::chooseFile(QWidget*, const QString& proposedName,
                                                      const SaveFileType& type) {
    proposed = proposedName;
    proposedType = type.defaultSuffix;
    return answer;
}

bool FakePrintDialog::choosePrinter(QWidget*, QPrinter& printer) {
    ++shownCount;
    return choose && choose(printer);
}

QStringList FakeFileDialogs::chooseFilesToOpen(QWidget*, const QString& caption,
                                               const QStringList& fileTypes) {
    openCaption = caption;
    openTypes = fileTypes;
    return filesToOpen;
}

std::optional<FileDialogs::SaveChoice>
FakeFileDialogs::chooseFileToSave(QWidget*, const QString& caption, const QString& proposed,
                                  const QStringList& fileTypes) {
    saveCaption = caption;
    proposedName = proposed;
    saveTypes = fileTypes;
    return saveChoice;
}

std::optional<QString> FakeFileDialogs::chooseFolder(QWidget*, const QString& caption) {
    folderCaption = caption;
    return folder;
}

} // namespace savrona::testing
