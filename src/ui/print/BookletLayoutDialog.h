#pragma once

// The small dialog that asks how a booklet's recipes follow one another.

#include "ui/print/BookletPrintout.h"

#include <QDialog>

#include <optional>

class QRadioButton;

namespace savrona {

// "Each recipe on its own page" (chosen when it opens) or "Recipes run on", OK and Cancel.
class BookletLayoutDialog : public QDialog {
    Q_OBJECT
public:
    BookletLayoutDialog(QWidget* parent, const QString& caption);

    BookletLayout chosenLayout() const;

    // Shows the dialog; nothing when it is cancelled.
    static std::optional<BookletLayout> ask(QWidget* parent, const QString& caption);

    QRadioButton* ownPageButton = nullptr;
    QRadioButton* runOnButton = nullptr;
};

} // namespace savrona
