// Shows QPrintDialog for the print command.
#include "platform/DesktopPrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace savrona {

bool DesktopPrintDialog::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    // One recipe: no selection and no choice of the current page.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace savrona
