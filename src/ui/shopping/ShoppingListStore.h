#pragma once

// The shopping list kept in "Shopping list.txt" in the data folder, and merged with the
// versions a sync engine brings while the program runs.

#include "cookbook/shopping/ShoppingList.h"
#include "data/files/DataFile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <optional>

namespace savrona {

class DataFolder;

// Reads the list at start, with its ticks, and writes it atomically after each change.
// When the file changes on disk (a watch on the folder, and a look at the file's identity
// every second), the version there is merged three ways with ours, against the version
// last read or written, and the result written back when it differs. A file that cannot
// be read is left alone: nothing is written over it until it can be read again.
class ShoppingListStore : public QObject {
    Q_OBJECT
public:
    ShoppingListStore(const DataFolder& folder, QObject* parent);

    const ShoppingList& list() const { return m_list; }
    // False while the file holds something that cannot be read.
    bool isKept() const { return m_readable; }

    // Takes the changed list and writes it. Throws Error when the file cannot be written;
    // the list stays changed, to be written with the next change.
    void change(ShoppingList list);

    // Merges the file's version when it changed since it was last read or written.
    void lookAtFile();

signals:
    // The list changed on disk and was merged.
    void merged();

private:
    // The file's list; nothing when it cannot be read.
    std::optional<ShoppingList> readFile();
    void write();

    const DataFolder& m_folder;
    ShoppingList m_list;
    ShoppingList m_base; // the version last read or written
    std::optional<FileIdentity> m_identity;
    bool m_readable = true;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
};

} // namespace savrona
