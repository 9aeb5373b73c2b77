// Downloads the pages of web addresses and hands their recipes to the import.
#include "ui/web/WebImportController.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "ui/exchange/ImportExportController.h"
#include "ui/exchange/ImportReading.h"
#include "ui/main-window/AdditionsHost.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include <iterator>

namespace savrona {

QStringList webAddressesIn(const QString& text) {
    QStringList addresses;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString address = line.trimmed();
        if (!address.isEmpty())
            addresses.append(address);
    }
    return addresses;
}

namespace {

// The addresses to import, one a line; nothing when the user cancels.
std::optional<QStringList> askForAddresses(QWidget* parent, const QString& proposed) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Import from web address"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label =
        new QLabel(QStringLiteral("&Web addresses of recipe pages, one on each line:"), &dialog);
    auto* addresses = new QPlainTextEdit(&dialog);
    addresses->setAccessibleName(QStringLiteral("Web addresses"));
    addresses->setTabChangesFocus(true);
    addresses->setPlainText(proposed);
    label->setBuddy(addresses);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Import"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(addresses);
    layout->addWidget(buttons);
    dialog.resize(520, 240);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return webAddressesIn(addresses->toPlainText());
}

// A web address on the clipboard, for Ctrl+Shift+V.
QString clipboardAddress() {
    const QString text = QApplication::clipboard()->text().trimmed();
    return PageDownloader::webAddress(text).isValid() && !text.contains(QLatin1Char(' '))
               ? text
               : QString();
}

bool isWebLink(const QUrl& url) {
    return url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https");
}

} // namespace

WebImportController::WebImportController(AdditionsHost& window, ImportExportController& imports,
                                         DownloadLimits limits)
    : QObject(&window.mainWindow()), m_window(window), m_imports(imports), m_downloader(limits) {
    // Beside "Import recipes...".
    m_importFromWeb = new QAction(QStringLiteral("Import from &web address..."), this);
    m_window.additionsMenu().insertAction(imports.exportCookbookItem(), m_importFromWeb);
    m_importFromWeb->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    m_importFromWeb->setShortcutContext(Qt::WindowShortcut);
    connect(m_importFromWeb, &QAction::triggered, this, [this] {
        m_window.runCommand(CommandGate::Effect::AddsRecord, [this] { importFromWeb(); });
    });
    m_window.takeTreeDrops([](const QMimeData& data) { return data.hasUrls(); },
                           [this](const QMimeData& data, const QString& category) {
                               m_window.runCommand(CommandGate::Effect::AddsRecord,
                                                   [&] { importDropped(data, category); });
                           });
}

void WebImportController::importFromWeb() {
    const auto addresses = askForAddresses(&m_window.mainWindow(), clipboardAddress());
    if (addresses && !addresses->isEmpty())
        importAddresses(*addresses);
}

void WebImportController::importDropped(const QMimeData& data, const QString& category) {
    QStringList files;
    QStringList links;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
        else if (isWebLink(url))
            links.append(url.toString());
    }
    const std::optional<QString> into =
        category.isEmpty() ? std::nullopt : std::optional<QString>(category);
    if (!files.isEmpty())
        m_imports.importFiles(files, into);
    if (!links.isEmpty())
        importAddresses(links, into);
}

void WebImportController::importAddresses(const QStringList& addresses,
                                          const std::optional<QString>& intoCategory) {
    if (std::optional<RecipeBatch> batch = readPages(addresses))
        m_imports.importBatch(std::move(*batch), intoCategory);
}

// Each page is read as a saved page is, named by its address; the reading runs on a
// thread of its own, with the import's progress when it takes a while.
std::optional<RecipeBatch> WebImportController::readPages(const QStringList& addresses) {
    std::optional<std::vector<DownloadedPage>> pages = downloadShowingProgress(addresses);
    if (!pages)
        return std::nullopt;
    RecipeBatch failures;
    qint64 total = 0;
    for (const DownloadedPage& page : *pages) {
        total += page.bytes.size();
        if (!page.failure.isEmpty())
            failures.problems.push_back(
                {ImportProblem::Kind::File, page.address, 0,
                 QStringLiteral("Cannot import this page: %1").arg(page.failure)});
    }
    std::optional<RecipeBatch> read =
        ImportReading::read(&m_window.mainWindow(), [&pages, total](ImportProgress& progress) {
            progress.setTotal(total);
            RecipeBatch batch;
            for (DownloadedPage& page : *pages) {
                if (!page.failure.isEmpty())
                    continue;
                const qint64 size = page.bytes.size();
                RecipeBatch one = RecipeFileReader::readPage(std::move(page.bytes), page.url,
                                                             &progress);
                progress.advance(size);
                std::move(one.recipes.begin(), one.recipes.end(),
                          std::back_inserter(batch.recipes));
                std::move(one.problems.begin(), one.problems.end(),
                          std::back_inserter(batch.problems));
            }
            return batch;
        });
    if (!read)
        return std::nullopt;
    std::move(failures.problems.begin(), failures.problems.end(),
              std::back_inserter(read->problems));
    return read;
}

// Several pages show a progress dialog whose Cancel stops at once; one page shows it only
// when it takes a while.
std::optional<std::vector<DownloadedPage>>
WebImportController::downloadShowingProgress(const QStringList& addresses) {
    QProgressDialog progress(QStringLiteral("Downloading..."), QStringLiteral("Cancel"), 0,
                             int(addresses.size()), &m_window.mainWindow());
    progress.setWindowTitle(QStringLiteral("Import from web address"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(addresses.size() > 1 ? 0 : 800);
    std::vector<DownloadedPage> pages;
    for (const QString& address : addresses) {
        progress.setLabelText(QStringLiteral("Downloading %1").arg(address));
        pages.push_back(
            m_downloader.download(address, [&progress] { return progress.wasCanceled(); }));
        if (progress.wasCanceled())
            return std::nullopt;
        progress.setValue(int(pages.size()));
    }
    return pages;
}

} // namespace savrona
