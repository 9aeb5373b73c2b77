// Builds the import's confirmation from its summary.
#include "ui/exchange/ImportSummaryDialog.h"

#include "cookbook/exchange/ImportSummary.h"

#include <QPushButton>

namespace savrona {

ImportSummaryDialog::ImportSummaryDialog(QWidget* parent, const ImportSummary& summary)
    : QMessageBox(parent) {
    setWindowTitle(QStringLiteral("Import recipes"));
    setTextFormat(Qt::PlainText);
    setText(summary.question);
    setInformativeText(summary.counts);
    if (!summary.details.isEmpty())
        setDetailedText(summary.details);
    if (summary.hasRecipes) {
        setIcon(QMessageBox::Question);
        m_import = addButton(QStringLiteral("&Import"), QMessageBox::AcceptRole);
        m_import->setObjectName(QStringLiteral("importButton"));
        setEscapeButton(addButton(QMessageBox::Cancel));
        setDefaultButton(m_import);
    } else {
        setIcon(QMessageBox::Information);
        setDefaultButton(addButton(QMessageBox::Ok));
    }
}

bool ImportSummaryDialog::askToImport() {
    exec();
    return m_import != nullptr && clickedButton() == m_import;
}

} // namespace savrona
