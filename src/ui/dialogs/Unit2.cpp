// The About box: its labels, fonts and picture, and the title set at each showing.
#include "ui/dialogs/Unit2.h"

#include "platform/seams/AppInfo.h"

#include <QLabel>
#include <QPushButton>

TformAbout* formAbout = nullptr;

TformAbout::TformAbout(QWidget* parent)
    : BannerDialog(parent, savrona::tahomaFont()),
      Label3(addLabel(QStringLiteral("Version 1.0 (Build 140901)"), 72, 68)),
      Bevel2(addLine(72, 102, 271)),
      Label4(addLabel(
          QStringLiteral("Give yourself a decent meal - even if you dont know how to cook!"), 72,
          108)),
      Button1(addButton(QStringLiteral("&OK"), 72, 204)) {
    setWindowTitle(QStringLiteral(" About ..."));
    Image1->setPixmap(savrona::dialogPicture(savrona::applicationPicturePath));

    QFont smallFont = savrona::tahomaFont();
    smallFont.setPixelSize(11);
    Label4->setFont(smallFont);
    Label4->setForegroundRole(QPalette::Dark);
    Label4->adjustSize();
    // One line in Tahoma; a wider fallback font would run past the box's edge.
    if (Label4->geometry().right() >= width()) {
        Label4->setWordWrap(true);
        Label4->setGeometry(72, 108, width() - 72 - 12, 30);
    }

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TformAbout::FormActivate() {
    Label1->setText(savrona::applicationTitle);
    Button1->setFocus();
}
