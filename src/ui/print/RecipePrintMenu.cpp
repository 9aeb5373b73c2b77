// Puts the print and PDF commands into the tree menu and runs them on the shown recipe.
#include "ui/print/RecipePrintMenu.h"

#include "data/engine/Lookups.h"
#include "data/engine/Table.h"
#include "data/files/DataFolder.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/print/BookletContent.h"
#include "ui/print/PrintPictures.h"
#include "ui/print/RecipePrinting.h"

#include <QAction>
#include <QWidget>

namespace savrona {

RecipePrintMenu::RecipePrintMenu(AdditionsHost& window)
    : QObject(&window.mainWindow()), m_window(window) {
    Printrecipe1 = addItem(QStringLiteral("&Print recipe..."), &RecipePrintMenu::Printrecipe1Click);
    SaverecipeasPDF1 =
        addItem(QStringLiteral("Save recipe as PD&F..."), &RecipePrintMenu::SaverecipeasPDF1Click);
}

QAction* RecipePrintMenu::addItem(const QString& caption, void (RecipePrintMenu::*handler)()) {
    auto* item = new QAction(caption, this);
    m_window.addTreeMenuItem(item, AdditionsHost::NodeKind::Recipe);
    connect(item, &QAction::triggered, this, [this, handler] {
        SavronaApplication::runReportingErrors([this, handler] { (this->*handler)(); });
    });
    return item;
}

void RecipePrintMenu::Printrecipe1Click() {
    const ExportedRecipe recipe = m_window.shownRecipe();
    printRecipe(*m_window.platform().printDialog, &m_window.mainWindow(), recipe,
                m_window.dataFolder(), pictureOf(recipe.title));
}

void RecipePrintMenu::SaverecipeasPDF1Click() {
    const ExportedRecipe recipe = m_window.shownRecipe();
    saveRecipeAsPdf(*m_window.platform().saveDialog, &m_window.mainWindow(), recipe,
                    m_window.dataFolder(), pictureOf(recipe.title));
}

// The picture file the recipe of that title names, if it has one.
QString RecipePrintMenu::pictureOf(const QString& title) {
    Table& recipes = m_window.recipes();
    recipes.setFilter(lookup::recipeByTitle(title));
    recipes.setFiltered(true);
    const Value picture =
        recipes.recordCount() > 0 ? recipes.fieldByName(QStringLiteral("Picture")) : Value();
    recipes.setFiltered(false);
    return picture.isText() ? print::pictureFileIn(picturesFolderOf(m_window.dataFolder().path()),
                                                   picture.toQString())
                            : QString();
}

} // namespace savrona
