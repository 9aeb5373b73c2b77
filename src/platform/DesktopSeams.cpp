// Shows Qt's save dialog for the recipe export and opens web addresses with
// QDesktopServices.
#include "DesktopSeams.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace savrona {

std::optional<QString> DesktopSaveFileDialog::chooseFile(QWidget* parent,
                                                         const QString& proposedName) {
    QFileDialog dialog(parent);
    configure(dialog, proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void DesktopSaveFileDialog::configure(QFileDialog& dialog, const QString& proposedName) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text file (*.txt)"), QStringLiteral("All files (*.*)")});
    dialog.selectNameFilter(QStringLiteral("Text file (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(proposedName);
}

void DesktopUrlOpener::open(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

} // namespace savrona
