#pragma once

// The import from web addresses: its menu item, the addresses asked for, the pages
// downloaded with progress, and the links and files dropped on the tree.

#include "cookbook/exchange/formats/RecipeEntry.h"
#include "platform/web/PageDownloader.h"

#include <QObject>
#include <QStringList>

#include <optional>

class QAction;
class QMimeData;

namespace savrona {

class AdditionsHost;
class ImportExportController;

// Adds "Import from &web address..." (Ctrl+Shift+V, which brings a web address on the
// clipboard along) to the additions' menu. The pages of the addresses given are downloaded
// one after another, with a progress dialog and Cancel when there are several; each is
// read as a saved web page is, its address kept in the recipe's notes, and the recipes go
// through the import's summary and import. An address that gives no page is listed in the
// summary with the reason. Links dropped on the tree import the same way, recipe files
// dropped on it as the import of files does; dropped on a category, every recipe goes
// into that category.
class WebImportController : public QObject {
    Q_OBJECT
public:
    WebImportController(AdditionsHost& window, ImportExportController& imports,
                        DownloadLimits limits = {});

    QAction* importFromWebItem() const { return m_importFromWeb; }

    // Asks for addresses (the clipboard's, when it holds one, filled in) and imports them.
    void importFromWeb();
    // Downloads and imports the pages, into the category when one is given.
    void importAddresses(const QStringList& addresses,
                         const std::optional<QString>& intoCategory = std::nullopt);
    // The recipes of the pages, read: what the import's summary shows; nothing when the
    // user cancelled.
    std::optional<RecipeBatch> readPages(const QStringList& addresses);

    // Files and links dropped on the tree, on that category (empty: none).
    void importDropped(const QMimeData& data, const QString& category);

private:
    std::optional<std::vector<DownloadedPage>>
    downloadShowingProgress(const QStringList& addresses);

    AdditionsHost& m_window;
    ImportExportController& m_imports;
    PageDownloader m_downloader; // its cookies last the run
    QAction* m_importFromWeb = nullptr;
};

// The web addresses in a text: one a line, blank lines and surrounding blanks left out.
QStringList webAddressesIn(const QString& text);

} // namespace savrona
