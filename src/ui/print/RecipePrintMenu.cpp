// Puts the print and PDF commands into the tree menu and runs them on the shown recipe.
#include "ui/print/RecipePrintMenu.h"

#include "platform/SavronaApplication.h"
#include "ui/main-window/AdditionsHost.h"
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
    printRecipe(*m_window.platform().printDialog, &m_window.mainWindow(), m_window.shownRecipe(),
                m_window.dataFolder());
}

void RecipePrintMenu::SaverecipeasPDF1Click() {
    saveRecipeAsPdf(*m_window.platform().saveDialog, &m_window.mainWindow(), m_window.shownRecipe(),
                    m_window.dataFolder());
}

} // namespace savrona
