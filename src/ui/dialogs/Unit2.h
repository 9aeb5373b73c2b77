#pragma once

// The About box: the application title, the version and a line of motto;
// OK, Escape or the close box closes it.

#include "ui/dialogs/BannerDialog.h"

class TformAbout : public savrona::BannerDialog {
    Q_OBJECT
public:
    explicit TformAbout(QWidget* parent);

    QLabel* Label3;
    QFrame* Bevel2;
    QLabel* Label4;
    QPushButton* Button1;

protected:
    void FormActivate() override;
};

extern TformAbout* formAbout;
