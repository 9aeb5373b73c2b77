// The menus of the window that ships: the designed items alone in their
// designed order, the additions in a menu of their own and after the designed
// items of the tree's context menu.
#include "ui/GuiTestSupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace savrona::testing {
namespace {

QStringList captionsOf(const QList<QAction*>& items) {
    QStringList captions;
    for (const QAction* item : items)
        captions.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    return captions;
}

QMenu* menuCaptioned(const TformMain& window, const QString& caption) {
    for (QAction* item : window.MainMenu->actions())
        if (item->text() == caption)
            return item->menu();
    return nullptr;
}

struct MenuCase {
    const char* menu; // a menu bar caption, "" for the bar itself, "tree" for the context menu
    QStringList captions;
};

class Menus : public MainWindowTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(Menus, HoldTheirItemsInOrder) {
    writeSmallCookbook(folder.path());
    start();
    const QString menu = QString::fromUtf8(GetParam().menu);
    QList<QAction*> items;
    if (menu.isEmpty())
        items = window->MainMenu->actions();
    else if (menu == "tree")
        items = window->treePopup->actions();
    else if (QMenu* found = menuCaptioned(*window, menu))
        items = found->actions();
    EXPECT_EQ(captionsOf(items), GetParam().captions);
}

INSTANTIATE_TEST_SUITE_P(
    TheShippedWindow, Menus,
    ::testing::Values(MenuCase{"", {"&File", "&Cookbook", "&Help"}}, MenuCase{"&File", {"E&xit"}},
                      MenuCase{"&Cookbook",
                               {"&Find recipes...", "&Import recipes...",
                                "Import from &web address...", "&Export cookbook...",
                                "Recipe ca&rd", "&Shopping list...", "Print cookbook...",
                                "Save cookbook as PDF..."}},
                      MenuCase{"&Help", {"&Savrona On-Line ...", "-", "&About ..."}},
                      MenuCase{"tree",
                               {"Add new &category", "-", "&Edit category", "&Delete category", "-",
                                "&Change recipe category", "E&xport recipe to file",
                                "De&lete recipe", "-", "Export ca&tegory...", "&Print recipe...",
                                "Save recipe as PD&F...", "Recipe ca&rd", "&Add to shopping list",
                                "Print category...", "Save category as PDF..."}}));

} // namespace
} // namespace savrona::testing
