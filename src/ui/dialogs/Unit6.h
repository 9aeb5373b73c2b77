#pragma once

// The rename-category dialog: shows the selected category's name and stores
// the name typed over it.

#include "ui/dialogs/CategoryNameDialog.h"

class TformEditCategory : public savrona::CategoryNameDialog {
    Q_OBJECT
public:
    TformEditCategory(QWidget* parent, savrona::CookbookAccess& cookbook);

    void Button1Click() override;

protected:
    void FormActivate() override;
};

extern TformEditCategory* formEditCategory;
