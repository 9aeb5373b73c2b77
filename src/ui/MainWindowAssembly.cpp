// Puts the main window together with its dialogs and additions.
#include "ui/MainWindowAssembly.h"

#include "ui/card/CardController.h"
#include "ui/dialogs/Unit2.h"
#include "ui/dialogs/Unit3.h"
#include "ui/dialogs/Unit5.h"
#include "ui/dialogs/Unit6.h"
#include "ui/exchange/ImportExportController.h"
#include "ui/find/FindController.h"
#include "ui/main-window/Unit1.h"
#include "ui/print/BookletMenu.h"
#include "ui/print/RecipePrintMenu.h"
#include "ui/sharing/SharingController.h"
#include "ui/shopping/ShoppingListController.h"
#include "ui/web/WebImportController.h"

namespace savrona {

namespace {

// Clears a window reference when its dialog goes with the main window.
template <typename Dialog> Dialog* referenced(Dialog*& reference, Dialog* dialog) {
    reference = dialog;
    QObject::connect(dialog, &QObject::destroyed, [&reference, dialog] {
        if (reference == dialog)
            reference = nullptr;
    });
    return dialog;
}

} // namespace

std::unique_ptr<TformMain> createMainWindow(Platform& platform, const QString& dataFolder,
                                            const QString& sharingStateFolder) {
    auto window = std::make_unique<TformMain>(platform, dataFolder);
    formMain = window.get();
    referenced(formAbout, new TformAbout(formMain));
    referenced(formAddNewCategory, new TformAddNewCategory(formMain, *formMain));
    referenced(formChangeCategory, new TformChangeCategory(formMain, *formMain));
    referenced(formEditCategory, new TformEditCategory(formMain, *formMain));
    // The additions, in the order of their items in the menus.
    auto* find = new FindController(*formMain);
    auto* imports = new ImportExportController(*formMain);
    new WebImportController(*formMain, *imports);
    new RecipePrintMenu(*formMain);
    auto* cards = new CardController(*formMain);
    QObject::connect(find, &FindController::recipeCardRequested, cards,
                     [cards](const QString& title) { cards->openCardTitled(title); });
    auto* shopping = new ShoppingListController(*formMain);
    QObject::connect(cards, &CardController::shoppingListRequested, shopping,
                     &ShoppingListController::addRecipe);
    new BookletMenu(*formMain);
    if (!sharingStateFolder.isEmpty())
        new SharingController(*formMain, sharingStateFolder);
    return window;
}

} // namespace savrona
