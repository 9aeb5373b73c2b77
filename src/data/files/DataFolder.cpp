// Opens the data folder once, by its path or as the current directory, and keeps its
// descriptor.
#include "data/files/DataFolder.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace savrona {

std::shared_ptr<const DataFolder> DataFolder::currentDirectory() {
    std::shared_ptr<const DataFolder> folder(new DataFolder(QByteArrayLiteral(".")));
    folder->descriptor(); // held now, before the current directory can move
    return folder;
}

std::shared_ptr<const DataFolder> DataFolder::atPath(const QString& path) {
    return std::shared_ptr<const DataFolder>(
        new DataFolder(QFile::encodeName(path.isEmpty() ? QStringLiteral(".") : path)));
}

DataFolder::DataFolder(QByteArray nativePath) : m_nativePath(std::move(nativePath)) {}

DataFolder::~DataFolder() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

int DataFolder::descriptor() const {
    const std::lock_guard lock(m_opening);
    if (m_descriptor < 0)
        m_descriptor = ::open(m_nativePath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return m_descriptor;
}

} // namespace savrona
