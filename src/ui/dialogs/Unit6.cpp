// The rename-category dialog: fills the box with the current name at each showing and
// renames the category on OK.
#include "ui/dialogs/Unit6.h"

#include "cookbook/commands/CategoryCommands.h"
#include "platform/seams/AppInfo.h"

#include <QLineEdit>
#include <QPushButton>

TformEditCategory* formEditCategory = nullptr;

TformEditCategory::TformEditCategory(QWidget* parent, savrona::CookbookAccess& cookbook)
    : CategoryNameDialog(parent, cookbook, savrona::msSansSerifFont(),
                         QStringLiteral("Edit category")) {
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, editCategoryName);
}

void TformEditCategory::FormActivate() {
    setWindowTitle(savrona::applicationTitle);
    showStoredName(cookbook().selectedCategoryName());
    Button1->setFocus();
}

void TformEditCategory::Button1Click() {
    savrona::CategoryCommands commands(cookbook());
    if (commands.renameCategory(cookbook().selectedCategoryName(), editCategoryName->text()))
        accept();
}
