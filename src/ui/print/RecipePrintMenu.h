#pragma once

// The print and PDF items of the main window's tree menu.

#include <QObject>

class QAction;

namespace savrona {

class AdditionsHost;

// Adds "&Print recipe..." and "Save recipe as PD&F..." to the additions at the
// end of the tree's context menu, enabled on a recipe, and runs them on the
// recipe the details pane shows, as stored, exactly as the export does.
class RecipePrintMenu : public QObject {
    Q_OBJECT
public:
    explicit RecipePrintMenu(AdditionsHost& window);

    QAction* Printrecipe1 = nullptr;
    QAction* SaverecipeasPDF1 = nullptr;

    void Printrecipe1Click();
    void SaverecipeasPDF1Click();

private:
    QAction* addItem(const QString& caption, void (RecipePrintMenu::*handler)());
    QString pictureOf(const QString& title);

    AdditionsHost& m_window;
};

} // namespace savrona
