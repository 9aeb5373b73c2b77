#pragma once

// The booklet items: a category or the whole cookbook printed, or saved as one PDF.

#include "ui/print/BookletPrintout.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;

namespace savrona {

class AdditionsHost;

// Adds "Print category..." and "Save category as PDF..." to the tree's context menu,
// enabled on a category, and "Print cookbook..." and "Save cookbook as PDF..." to the
// additions' menu. Each asks how the recipes follow one another, then for the printer or
// the file, and lays the booklet out with a progress dialog that may cancel it; a PDF is
// written atomically, never onto a data file.
class BookletMenu : public QObject {
    Q_OBJECT
public:
    explicit BookletMenu(AdditionsHost& window);

    QAction* printCategoryItem = nullptr;
    QAction* saveCategoryItem = nullptr;
    QAction* printCookbookItem = nullptr;
    QAction* saveCookbookItem = nullptr;

    // Asks for the layout; nothing is a cancel. The layout dialog unless replaced.
    std::function<std::optional<BookletLayout>(const QString& caption)> chooseLayout;

    void printCategory();
    void saveCategory();
    void printCookbook();
    void saveCookbook();

private:
    enum class Output { Printer, Pdf };

    void bind(QAction* item, void (BookletMenu::*command)());
    void makeBooklet(const std::optional<QString>& categoryName, Output output,
                     const QString& caption);

    AdditionsHost& m_window;
};

} // namespace savrona
