// The order in which coupled writers decide where a snapshot goes, and the one stamp
// of their conflict copies.
#include "data/files/CoupledWrites.h"

#include "data/files/DataFolder.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <memory>

namespace savrona {

namespace {

// Whether a file in the folder is named with the stamp already: the copies of
// one conflict must all be new. A folder that cannot be listed tells nothing;
// the copies are then written as for any conflict.
bool stampInUse(const DataFolder& folder, const QString& stamp) {
    if (folder.descriptor() < 0)
        return false;
    const int listing = ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listing), &::closedir);
    if (!entries) {
        ::close(listing);
        return false;
    }
    const QString marked = QStringLiteral(" (conflict %1)").arg(stamp);
    while (const dirent* entry = ::readdir(entries.get())) {
        if (QFile::decodeName(entry->d_name).contains(marked))
            return true;
    }
    return false;
}

} // namespace

QString conflictCopyName(const QString& fileName, const QString& stamp) {
    const QFileInfo name(fileName);
    const QString suffix = name.suffix().isEmpty() ? QString() : QLatin1Char('.') + name.suffix();
    return QStringLiteral("%1 (conflict %2)%3").arg(name.completeBaseName(), stamp, suffix);
}

std::uint64_t CoupledWrites::takeTurn() {
    const std::lock_guard lock(m_mutex);
    const std::uint64_t turn = m_nextTurn++;
    m_turnsUnderWay.insert(turn);
    return turn;
}

void CoupledWrites::waitForTurn(std::uint64_t turn) {
    std::unique_lock lock(m_mutex);
    m_turnEnded.wait(lock, [&] { return *m_turnsUnderWay.begin() == turn; });
}

void CoupledWrites::endTurn(std::uint64_t turn) {
    {
        const std::lock_guard lock(m_mutex);
        m_turnsUnderWay.erase(turn);
    }
    m_turnEnded.notify_all();
}

void CoupledWrites::waitForTurnsTaken() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t next = m_nextTurn;
    m_turnEnded.wait(lock,
                     [&] { return m_turnsUnderWay.empty() || *m_turnsUnderWay.begin() >= next; });
}

std::optional<QString> CoupledWrites::conflictStamp() const {
    const std::lock_guard lock(m_mutex);
    return m_stamp;
}

QString CoupledWrites::beginConflict(const DataFolder& folder) {
    const std::lock_guard lock(m_mutex);
    if (m_stamp)
        return *m_stamp;
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    for (int number = 1;; ++number) {
        const QString stamp =
            number == 1 ? time : time + QLatin1Char(' ') + QString::number(number);
        if (!stampInUse(folder, stamp)) {
            m_stamp = stamp;
            return stamp;
        }
    }
}

void CoupledWrites::endConflict() {
    const std::lock_guard lock(m_mutex);
    m_stamp.reset();
}

} // namespace savrona
