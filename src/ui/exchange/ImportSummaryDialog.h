#pragma once

// The question an import asks before it writes anything.

#include <QMessageBox>

namespace savrona {

struct ImportSummary;

// Shows what an import would add: the question ("Import 1,234 recipes into
// 12 categories (3 new)?"), the counts of what is left out, numbered or
// unreadable, and each of those with its file and line under "Show
// Details...". Import and Cancel; only OK when there is nothing to import.
class ImportSummaryDialog : public QMessageBox {
    Q_OBJECT
public:
    ImportSummaryDialog(QWidget* parent, const ImportSummary& summary);

    // Runs the dialog; true when the user chose Import.
    bool askToImport();

    QPushButton* importButton() const { return m_import; }

private:
    QPushButton* m_import = nullptr;
};

} // namespace savrona
