#pragma once

// Keeps the cookbook in step with a data folder that a sync engine shares with other
// computers: notices what arrives, merges it while the window is at rest, and says so.

#include "cookbook/sharing/SharedFolder.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace savrona {

class AdditionsHost;
struct TreeNode;

// Looks at the folder when the file system reports a change in it (after a short pause,
// as sync engines write in steps), after every rebuild, and every second in case a report
// never comes (a network folder). What arrived is merged (SharedFolder) only while no
// command, dialog or rebuild runs; the tree is rebuilt with the same node selected and
// what the user was typing kept. The user is told once of recipes kept twice and of the
// conflict copies merged.
class SharingController : public QObject {
    Q_OBJECT
public:
    SharingController(AdditionsHost& host, const QString& stateFolder);

    // Merges what arrived before the exit's close writes the tables.
    void mergeBeforeExit();
    // Keeps the files as the exit wrote them as this computer's own versions.
    void keepOwnVersionsAfterExit();

signals:
    // After a merge reached the tables and the tree.
    void merged();

private:
    void watchFolder();
    void lookSoon();
    void look();
    bool isAtRest() const;
    void mergeIntoWindow();
    void showAgain(const QString& category, const QString& recipe);
    void tell(const FolderMergeReport& report);

    AdditionsHost& m_host;
    SharedFolder m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    QTimer m_settle;
};

} // namespace savrona
