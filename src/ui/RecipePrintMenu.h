#pragma once

// The print and PDF items of the main window's tree menu.

#include "RecipeExport.h"

#include <QObject>
#include <QString>

class QAction;
class TformMain;

namespace savrona {

// Adds "&Print recipe..." and "Save recipe as P&DF..." to the tree's context
// menu right below "E&xport recipe to file", enabled exactly when the export
// is, and runs them on the recipe the details pane shows, as the export does.
class RecipePrintMenu : public QObject {
    Q_OBJECT
public:
    RecipePrintMenu(TformMain& window, QString dataFolder);

    QAction* Printrecipe1 = nullptr;
    QAction* SaverecipeasPDF1 = nullptr;

    void Printrecipe1Click();
    void SaverecipeasPDF1Click();

private:
    QAction* addBelowExport(const QString& caption, void (RecipePrintMenu::*handler)());
    ExportedRecipe shownRecipe() const;

    TformMain& m_window;
    QString m_dataFolder;
    QAction* m_lastAdded = nullptr;
};

} // namespace savrona
