#pragma once

// The add-category dialog: asks for a new category's name and stores the
// category with the main window's NextCategoryID.

#include "ui/dialogs/CategoryNameDialog.h"

class TformAddNewCategory : public savrona::CategoryNameDialog {
    Q_OBJECT
public:
    TformAddNewCategory(QWidget* parent, savrona::CookbookAccess& cookbook);

    void Button1Click() override;

protected:
    void FormActivate() override;
};

extern TformAddNewCategory* formAddNewCategory;
