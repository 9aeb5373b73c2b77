#pragma once

// The change-recipe-category dialog: lists every category, sorted, in an
// editable box that completes what is typed, and moves the recipe shown in
// the main window's title box into the category chosen. The box's text is
// kept from one showing to the next.

#include "cookbook/CookbookAccess.h"
#include "ui/dialogs/BannerDialog.h"

class QComboBox;

class TformChangeCategory : public savrona::BannerDialog {
    Q_OBJECT
public:
    TformChangeCategory(QWidget* parent, savrona::CookbookAccess& cookbook);

    QLabel* Label3;
    QComboBox* ComboBox;
    QFrame* Bevel2;
    QPushButton* Button1;
    QPushButton* Button2;

    // OK: moves the recipe and closes with the result OK; a text that names no
    // category gets a warning and the dialog stays open.
    void Button1Click();

protected:
    void FormActivate() override;

private:
    savrona::CookbookAccess& m_cookbook;
};

extern TformChangeCategory* formChangeCategory;
