// Wires the booklet commands into the menus and runs them with a progress dialog.
#include "ui/print/BookletMenu.h"

#include "cookbook/exchange/CollectionExport.h"
#include "cookbook/exchange/RecipeExport.h"
#include "data/files/DataFolder.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/print/BookletLayoutDialog.h"
#include "ui/print/PagedOutput.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>

namespace savrona {

namespace {

const QString cookbookTitle = QStringLiteral("My Cookbook");

// Shows how far a large booklet got, after a moment, with Cancel.
class BookletProgressDialog {
public:
    BookletProgressDialog(QWidget* parent, const QString& caption)
        : m_dialog(QStringLiteral("Laying out the booklet..."), QStringLiteral("Cancel"), 0, 1,
                   parent) {
        m_dialog.setWindowTitle(caption);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(500);
    }

    BookletProgress progress() {
        return [this](int done, int total) {
            m_dialog.setMaximum(total);
            m_dialog.setValue(done);
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

BookletMenu::BookletMenu(AdditionsHost& window) : QObject(&window.mainWindow()), m_window(window) {
    chooseLayout = [this](const QString& caption) {
        return BookletLayoutDialog::ask(&m_window.mainWindow(), caption);
    };
    printCategoryItem = new QAction(QStringLiteral("Print category..."), this);
    saveCategoryItem = new QAction(QStringLiteral("Save category as PDF..."), this);
    m_window.addTreeMenuItem(printCategoryItem, AdditionsHost::NodeKind::Category);
    m_window.addTreeMenuItem(saveCategoryItem, AdditionsHost::NodeKind::Category);
    printCookbookItem = m_window.additionsMenu().addAction(QStringLiteral("Print cookbook..."));
    saveCookbookItem =
        m_window.additionsMenu().addAction(QStringLiteral("Save cookbook as PDF..."));
    bind(printCategoryItem, &BookletMenu::printCategory);
    bind(saveCategoryItem, &BookletMenu::saveCategory);
    bind(printCookbookItem, &BookletMenu::printCookbook);
    bind(saveCookbookItem, &BookletMenu::saveCookbook);
}

void BookletMenu::bind(QAction* item, void (BookletMenu::*command)()) {
    // The booklet walks the tables, which a rebuild must have to itself.
    connect(item, &QAction::triggered, this, [this, command] {
        m_window.runCommand(CommandGate::Effect::ChangesCookbook,
                            [this, command] { (this->*command)(); });
    });
}

void BookletMenu::printCategory() {
    makeBooklet(m_window.selectedCategoryName(), Output::Printer, QStringLiteral("Print category"));
}

void BookletMenu::saveCategory() {
    makeBooklet(m_window.selectedCategoryName(), Output::Pdf,
                QStringLiteral("Save category as PDF"));
}

void BookletMenu::printCookbook() {
    makeBooklet(std::nullopt, Output::Printer, QStringLiteral("Print cookbook"));
}

void BookletMenu::saveCookbook() {
    makeBooklet(std::nullopt, Output::Pdf, QStringLiteral("Save cookbook as PDF"));
}

void BookletMenu::makeBooklet(const std::optional<QString>& categoryName, Output output,
                              const QString& caption) {
    const std::optional<BookletLayout> layout = chooseLayout(caption);
    if (!layout)
        return;
    const QString title = categoryName.value_or(cookbookTitle);
    BookletPrintout booklet(bookletContent(m_window.categories(), m_window.recipes(), title,
                                           categoryName,
                                           picturesFolderOf(m_window.dataFolder().path())),
                            *layout);
    QWidget* parent = &m_window.mainWindow();
    const PagePainter paint = [&](QPagedPaintDevice& device) {
        BookletProgressDialog progress(parent, caption);
        booklet.print(device, progress.progress());
    };
    try {
        if (output == Output::Printer)
            printThroughDialog(*m_window.platform().printDialog, parent,
                               proposedExportFileName(title), m_window.dataFolder(), paint);
        else
            savePdfThroughDialog(*m_window.platform().saveDialog, parent,
                                 proposedExportFileName(title) + QStringLiteral(".pdf"),
                                 m_window.dataFolder(), paint);
    } catch (const ExportCancelled&) {
        // Stopped by the user: nothing was written.
    }
}

} // namespace savrona
