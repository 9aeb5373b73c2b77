// The change-category dialog: fills the list with the categories at each showing and
// moves the recipe on OK.
#include "ui/dialogs/Unit5.h"
#include "platform/SavronaApplication.h"

#include "cookbook/commands/CategoryCommands.h"
#include "platform/seams/AppInfo.h"
#include "ui/dialogs/CaseKeepingCompletion.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

TformChangeCategory* formChangeCategory = nullptr;

namespace {

// The combo box's own order: letter case ignored, ties by character code.
void sortLikeTheList(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& left, const QString& right) {
        const int ignoringCase = QString::compare(left, right, Qt::CaseInsensitive);
        return ignoringCase != 0 ? ignoringCase < 0 : left < right;
    });
}

} // namespace

TformChangeCategory::TformChangeCategory(QWidget* parent, savrona::CookbookAccess& cookbook)
    : BannerDialog(parent, savrona::msSansSerifFont()),
      Label3(addLabel(QStringLiteral("Select new category for this recipe :"), 72, 68)),
      ComboBox(new QComboBox(this)), Bevel2(addLine(72, 176, 271)),
      Button1(addButton(QStringLiteral("&OK"), 72, 204)),
      Button2(addButton(QStringLiteral("&Cancel"), 156, 204)), m_cookbook(cookbook) {
    Label1->setText(QStringLiteral("Change recipe category"));
    Image1->setPixmap(savrona::dialogPicture(savrona::categoryPicturePath));

    ComboBox->setEditable(true);
    // Typed text stays text: Enter must not add it to the list.
    ComboBox->setInsertPolicy(QComboBox::NoInsert);
    new savrona::CaseKeepingCompletion(ComboBox);
    // A flat border, as the name box of the category dialogs has.
    ComboBox->setStyleSheet(QStringLiteral(
        "QComboBox { border: 1px solid palette(dark); padding: 2px; background: palette(base); }"));
    ComboBox->move(72, 86);
    ComboBox->resize(271, ComboBox->sizeHint().height());

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] {
        savrona::SavronaApplication::runReportingErrors([this] { Button1Click(); });
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, ComboBox);
}

void TformChangeCategory::FormActivate() {
    setWindowTitle(savrona::applicationTitle);
    const QString keptText = ComboBox->currentText();
    QStringList names = savrona::CategoryCommands(m_cookbook).categoryNames();
    sortLikeTheList(names);
    ComboBox->clear();
    ComboBox->addItems(names);
    ComboBox->setCurrentIndex(-1);
    ComboBox->setEditText(keptText);
    Button1->setFocus();
}

void TformChangeCategory::Button1Click() {
    savrona::CategoryCommands commands(m_cookbook);
    if (commands.moveRecipe(m_cookbook.recipeTitleBoxText(), ComboBox->currentText()))
        accept();
}
