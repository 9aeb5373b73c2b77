// Watches the shared folder and merges what arrives into the window.
#include "ui/sharing/SharingController.h"

#include "data/engine/Table.h"
#include "data/files/DataFolder.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/AdditionsHost.h"
#include "ui/tree/CookbookTree.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

namespace savrona {

namespace {

constexpr int pollMilliseconds = 1000;
// Sync engines write a temporary file and rename it; a burst of reports settles first.
constexpr int settleMilliseconds = 250;

TreeNode* childTitled(TreeNode* parent, const QString& text) {
    if (!parent)
        return nullptr;
    for (const auto& child : parent->children)
        if (child->text == text)
            return child.get();
    return nullptr;
}

QString listed(const QStringList& lines) {
    return QStringLiteral("    ") + lines.join(QStringLiteral("\n    "));
}

} // namespace

SharingController::SharingController(AdditionsHost& host, const QString& stateFolder)
    : QObject(&host.mainWindow()), m_host(host),
      m_folder(host.categories(), host.recipes(), SharingState(stateFolder)) {
    watchFolder();
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SharingController::lookSoon);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SharingController::lookSoon);
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &SharingController::look);
    m_poll.setInterval(pollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &SharingController::look);
    m_poll.start();
    // A command's rebuild may have read a file another computer wrote.
    host.whenRebuilt(this, [this] { lookSoon(); });
}

// The data files are watched too: a file written in place changes no folder entry. A
// replaced file stops being watched, so the paths are given again at each look.
void SharingController::watchFolder() {
    const QString folder = m_host.dataFolder().path();
    QStringList paths{folder};
    for (const Table* table : {&m_host.categories(), &m_host.recipes()})
        if (!table->fileName().isEmpty())
            paths.append(folder + QLatin1Char('/') + table->fileName());
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    for (const QString& path : paths)
        if (!watched.contains(path) && QFileInfo::exists(path))
            m_watcher.addPath(path);
}

void SharingController::lookSoon() {
    m_settle.start();
}

bool SharingController::isAtRest() const {
    return !m_host.isRebuilding() && !QApplication::activeModalWidget() &&
           !QApplication::activePopupWidget();
}

void SharingController::look() {
    if (!isAtRest())
        return; // the poll looks again
    watchFolder();
    if (m_folder.hasArrivals()) {
        mergeIntoWindow();
        return;
    }
    if (m_host.categories().waitForWrites(std::chrono::milliseconds(0)) &&
        m_host.recipes().waitForWrites(std::chrono::milliseconds(0)))
        m_folder.keepOwnVersions();
}

void SharingController::mergeIntoWindow() {
    m_host.runCommand(CommandGate::Effect::ChangesCookbook, [this] {
        TreeNode* selected = m_host.selectedTreeNode();
        QString category;
        QString recipe;
        if (selected && selected->parent && selected->parent->parent) {
            category = selected->parent->text;
            recipe = selected->text;
        } else if (selected && selected->parent) {
            category = selected->text;
        }
        const AdditionsHost::DetailsPaneTexts typed = m_host.typedDetails();
        const auto report = m_folder.mergeArrivals();
        if (!report)
            return;
        if (report->tablesChanged) {
            m_host.rebuildTree();
            showAgain(category, recipe);
            if (typed.typed)
                m_host.restoreTypedDetails(typed);
        }
        if (!report->summary.conflictCopies.empty() || !report->copiesMoved.isEmpty())
            QMetaObject::invokeMethod(
                this, [this, told = *report] { tell(told); }, Qt::QueuedConnection);
        emit merged();
    });
}

void SharingController::showAgain(const QString& category, const QString& recipe) {
    TreeNode* root = m_host.cookbookTree().root();
    TreeNode* categoryNode = childTitled(root, category);
    TreeNode* recipeNode = childTitled(categoryNode, recipe);
    if (recipeNode)
        m_host.showNode(recipeNode);
    else if (categoryNode)
        m_host.showNode(categoryNode);
}

void SharingController::tell(const FolderMergeReport& report) {
    QString text = QStringLiteral("Savrona merged changes made on another computer into the "
                                  "cookbook.");
    if (!report.summary.conflictCopies.empty()) {
        QStringList titles;
        for (const ConflictCopy& copy : report.summary.conflictCopies)
            titles.append(copy.title);
        text += QStringLiteral("\n\nBoth computers changed these recipes, so both versions "
                               "were kept; the other one under a new title:\n") +
                listed(titles);
    }
    if (!report.copiesMoved.isEmpty())
        text += QStringLiteral("\n\nThe conflict copies merged were moved into the folder "
                               "\"%1\":\n")
                    .arg(mergedCopiesFolderName) +
                listed(report.copiesMoved);
    m_host.messages().show(MessageBoxes::Kind::Information, text);
}

void SharingController::mergeBeforeExit() {
    SavronaApplication::runReportingErrors([this] {
        if (m_folder.hasArrivals())
            m_folder.mergeArrivals();
    });
}

void SharingController::keepOwnVersionsAfterExit() {
    m_folder.keepOwnVersions();
}

} // namespace savrona
