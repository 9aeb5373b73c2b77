// Shows Qt's save dialog for the exports and opens web addresses with
// QDesktopServices.
#include "platform/DesktopSeams.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QRegularExpression>
#include <QUrl>

namespace savrona {

std::optional<QString> DesktopSaveFileDialog::chooseFile(QWidget* parent,
                                                         const QString& proposedName,
                                                         const SaveFileType& type) {
    QFileDialog dialog(parent);
    configure(dialog, proposedName, type);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void DesktopSaveFileDialog::configure(QFileDialog& dialog, const QString& proposedName,
                                      const SaveFileType& type) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({type.filter, QStringLiteral("All files (*.*)")});
    dialog.selectNameFilter(type.filter);
    dialog.setDefaultSuffix(type.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(proposedName);
}

QStringList DesktopFileDialogs::chooseFilesToOpen(QWidget* parent, const QString& caption,
                                                  const QStringList& fileTypes) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(fileTypes);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<FileDialogs::SaveChoice>
DesktopFileDialogs::chooseFileToSave(QWidget* parent, const QString& caption,
                                     const QString& proposedName, const QStringList& fileTypes) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(fileTypes);
    dialog.setDefaultSuffix(extensionOf(fileTypes.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& fileType) { dialog.setDefaultSuffix(extensionOf(fileType)); });
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveChoice{
        dialog.selectedFiles().constFirst(),
        static_cast<int>(std::max<qsizetype>(fileTypes.indexOf(dialog.selectedNameFilter()), 0))};
}

std::optional<QString> DesktopFileDialogs::chooseFolder(QWidget* parent, const QString& caption) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString DesktopFileDialogs::extensionOf(const QString& fileType) {
    const qsizetype pattern = fileType.indexOf(QStringLiteral("(*."));
    if (pattern < 0)
        return QString();
    QString extension = fileType.mid(pattern + 3);
    const qsizetype end = extension.indexOf(QRegularExpression(QStringLiteral("[ )]")));
    return end < 0 ? extension : extension.left(end);
}

void DesktopUrlOpener::open(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

} // namespace savrona
