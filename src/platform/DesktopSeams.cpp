// Shows Qt's save dialog for the exports and opens web addresses with
// QDesktopServices.
#include "DesktopSeams.h"

#include <QDesktopServices>
#include <QFileDialog>
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

void DesktopUrlOpener::open(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

} // namespace savrona
