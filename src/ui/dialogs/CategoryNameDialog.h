#pragma once

// The base of the add-category and rename-category dialogs (Unit3, Unit6).

#include "cookbook/CookbookAccess.h"
#include "ui/dialogs/BannerDialog.h"

class QLineEdit;

namespace savrona {

// The layout the add and rename dialogs share: a name box of at most 125
// characters under its label, a line, and OK (the default button, which runs
// Button1Click) and Cancel (Escape). The dialogs differ in font, tab order,
// captions and what OK writes.
class CategoryNameDialog : public BannerDialog {
    Q_OBJECT
public:
    CategoryNameDialog(QWidget* parent, CookbookAccess& cookbook, const QFont& font,
                       const QString& stripText);

    QLabel* Label3;
    QLineEdit* editCategoryName;
    QFrame* Bevel2;
    QPushButton* Button1;
    QPushButton* Button2;

    // OK: checks the name, writes the categories table and closes with the
    // result OK; otherwise the dialog stays open.
    virtual void Button1Click() = 0;

protected:
    CookbookAccess& cookbook() { return m_cookbook; }
    // Puts a stored name into the name box whole: one from a data file may be
    // longer than the 125 characters that can be typed.
    void showStoredName(const QString& name);

private:
    CookbookAccess& m_cookbook;
};

} // namespace savrona
