// The add-category dialog: clears the name box at each showing and adds the category
// typed on OK.
#include "ui/dialogs/Unit3.h"

#include "cookbook/commands/CategoryCommands.h"
#include "platform/seams/AppInfo.h"

#include <QLineEdit>
#include <QPushButton>

TformAddNewCategory* formAddNewCategory = nullptr;

TformAddNewCategory::TformAddNewCategory(QWidget* parent, savrona::CookbookAccess& cookbook)
    : CategoryNameDialog(parent, cookbook, savrona::tahomaFont(),
                         QStringLiteral("Add new category")) {
    setTabOrder(editCategoryName, Button1);
    setTabOrder(Button1, Button2);
}

void TformAddNewCategory::FormActivate() {
    setWindowTitle(QStringLiteral(" ") + savrona::applicationTitle);
    editCategoryName->clear();
    editCategoryName->setFocus();
}

void TformAddNewCategory::Button1Click() {
    savrona::CategoryCommands commands(cookbook());
    if (commands.addCategory(editCategoryName->text(), cookbook().nextCategoryId()))
        accept();
}
