// Reads, writes and merges the shopping list file.
#include "ui/shopping/ShoppingListStore.h"

#include "cookbook/shopping/ShoppingListFile.h"
#include "cookbook/shopping/ShoppingListMerge.h"
#include "data/Error.h"
#include "data/files/DataFolder.h"

namespace savrona {

ShoppingListStore::ShoppingListStore(const DataFolder& folder, QObject* parent)
    : QObject(parent), m_folder(folder) {
    m_identity = identityOfFile(m_folder, shoppingListFileName);
    if (std::optional<ShoppingList> read = readFile()) {
        m_list = *read;
        m_base = *read;
    }
    // A sync engine replaces the file by a rename, which ends a watch on the file itself.
    m_watcher.addPath(m_folder.path());
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &ShoppingListStore::lookAtFile);
    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &ShoppingListStore::lookAtFile);
    m_poll.start();
}

std::optional<ShoppingList> ShoppingListStore::readFile() {
    try {
        const std::optional<DataFileContents> contents =
            readDataFileContents(m_folder, shoppingListFileName);
        m_readable = true;
        return contents ? readShoppingList(contents->bytes) : ShoppingList();
    } catch (const Error&) {
        m_readable = false;
        return std::nullopt;
    }
}

void ShoppingListStore::change(ShoppingList list) {
    m_list = std::move(list);
    lookAtFile(); // a version that came in since is merged, not overwritten
    write();
}

void ShoppingListStore::write() {
    if (!m_readable)
        return;
    const QByteArray bytes = writeShoppingList(m_list);
    writeDataFileAtomically(m_folder, shoppingListFileName,
                            [&bytes](const ChunkWriter& writer) { writer(bytes); });
    m_identity = identityOfFile(m_folder, shoppingListFileName);
    m_base = m_list;
}

void ShoppingListStore::lookAtFile() {
    const std::optional<FileIdentity> identity = identityOfFile(m_folder, shoppingListFileName);
    if (identity == m_identity || !identity)
        return;
    const std::optional<ShoppingList> theirs = readFile();
    if (!theirs)
        return;
    m_identity = identity;
    const ShoppingList result = mergeShoppingLists(m_base, m_list, *theirs);
    m_base = *theirs;
    const bool changed = result != m_list;
    m_list = result;
    if (result != *theirs) {
        try {
            write();
        } catch (const Error&) {
            // Written with the next change; the merge is shown all the same.
        }
    }
    if (changed)
        emit merged();
}

} // namespace savrona
