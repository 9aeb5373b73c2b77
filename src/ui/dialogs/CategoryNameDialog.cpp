// Builds the name box and the buttons the add and rename category dialogs share.
#include "ui/dialogs/CategoryNameDialog.h"
#include "platform/SavronaApplication.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace savrona {

namespace {
constexpr int nameLengthLimit = 125;
}

CategoryNameDialog::CategoryNameDialog(QWidget* parent, CookbookAccess& cookbook, const QFont& font,
                                       const QString& stripText)
    : BannerDialog(parent, font), Label3(addLabel(QStringLiteral("New category name :"), 72, 68)),
      editCategoryName(new QLineEdit(this)), Bevel2(addLine(72, 176, 271)),
      Button1(addButton(QStringLiteral("&OK"), 72, 204)),
      Button2(addButton(QStringLiteral("&Cancel"), 156, 204)), m_cookbook(cookbook) {
    Label1->setText(stripText);
    Image1->setPixmap(dialogPicture(categoryPicturePath));

    editCategoryName->setGeometry(72, 86, 271, 16);
    editCategoryName->setMaxLength(nameLengthLimit);
    editCategoryName->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(dark); padding: 0px; }"));

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this,
            [this] { SavronaApplication::runReportingErrors([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void CategoryNameDialog::showStoredName(const QString& name) {
    editCategoryName->setMaxLength(std::max(nameLengthLimit, static_cast<int>(name.size())));
    editCategoryName->setText(name);
}

} // namespace savrona
