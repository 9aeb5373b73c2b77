#pragma once

// The print and PDF items of the main window's tree menu.

#include "cookbook/exchange/RecipeExport.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class TformMain;

namespace savrona {

// Adds "&Print recipe..." and "Save recipe as P&DF..." to the tree's context
// menu right below "E&xport recipe to file", enabled exactly when the export
// is, and runs them on the recipe the details pane shows, as the export does.
//
// "P&DF" shares its access key with "&Delete category", and the two are never
// enabled together. Qt's menu counts the disabled one too and then only
// selects, so for the keys of these two items the menu presses the one
// enabled item itself: D deletes a category at once, as it did before the PDF
// item came, or saves a recipe's PDF. Every other key is left to Qt's menu.
class RecipePrintMenu : public QObject {
    Q_OBJECT
public:
    explicit RecipePrintMenu(TformMain& window);

    QAction* Printrecipe1 = nullptr;
    QAction* SaverecipeasPDF1 = nullptr;

    void Printrecipe1Click();
    void SaverecipeasPDF1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addBelowExport(const QString& caption, void (RecipePrintMenu::*handler)());
    ExportedRecipe shownRecipe() const;

    TformMain& m_window;
    QMenu* m_menu = nullptr;
    QAction* m_lastAdded = nullptr;
};

} // namespace savrona
