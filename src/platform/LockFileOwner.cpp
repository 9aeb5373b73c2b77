// Reads and writes the lines of a lock file, and checks the process they name through
// /proc.
#include "platform/LockFileOwner.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <limits>
#include <unistd.h>

namespace savrona {

namespace {

// The file name of the program a process runs, empty when it cannot be seen
// (a process of another user, or one that has ended).
QString programOf(qint64 processId) {
    const QByteArray link = "/proc/" + QByteArray::number(processId) + "/exe";
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0)
        return {};
    QString path = QFile::decodeName(QByteArray(target, length));
    // A program replaced on disk (an update) while it runs.
    const QString replaced = QStringLiteral(" (deleted)");
    if (path.endsWith(replaced))
        path.chop(replaced.size());
    return QFileInfo(path).fileName();
}

} // namespace

LockFileOwner::LockFileOwner(qint64 processId, QString program, QString hostName,
                             QByteArray machineId, QByteArray bootId)
    : m_processId(processId), m_program(std::move(program)), m_hostName(std::move(hostName)),
      m_machineId(std::move(machineId)), m_bootId(std::move(bootId)) {}

LockFileOwner LockFileOwner::thisProcess() {
    const qint64 processId = ::getpid();
    return LockFileOwner(processId, programOf(processId), QSysInfo::machineHostName(),
                         QSysInfo::machineUniqueId(), QSysInfo::bootUniqueId());
}

std::optional<LockFileOwner> LockFileOwner::readFrom(const QByteArray& content) {
    const QList<QByteArray> lines = content.split('\n');
    bool isNumber = false;
    const qint64 processId = lines.value(0).trimmed().toLongLong(&isNumber);
    if (!isNumber || processId <= 0 || processId > std::numeric_limits<pid_t>::max())
        return std::nullopt;
    return LockFileOwner(processId, QString::fromUtf8(lines.value(1)),
                         QString::fromUtf8(lines.value(2)), lines.value(3), lines.value(4));
}

QByteArray LockFileOwner::content() const {
    return QByteArray::number(m_processId) + '\n' + m_program.toUtf8() + '\n' +
           m_hostName.toUtf8() + '\n' + m_machineId + '\n' + m_bootId + '\n';
}

bool LockFileOwner::mayBeRunning() const {
    if (isOnAnotherComputer())
        return true;
    return !ranBeforeTheRestart() && !processHasEnded();
}

bool LockFileOwner::isOnAnotherComputer() const {
    if (isSameMachine())
        return false;
    return !m_hostName.isEmpty() && m_hostName != QSysInfo::machineHostName();
}

bool LockFileOwner::isSameMachine() const {
    return !m_machineId.isEmpty() && m_machineId == QSysInfo::machineUniqueId();
}

bool LockFileOwner::ranBeforeTheRestart() const {
    return isSameMachine() && !m_bootId.isEmpty() && m_bootId != QSysInfo::bootUniqueId();
}

bool LockFileOwner::processHasEnded() const {
    if (::kill(pid_t(m_processId), 0) != 0 && errno == ESRCH)
        return true;
    // The number given again to another program.
    const QString running = programOf(m_processId);
    return !m_program.isEmpty() && !running.isEmpty() && running != m_program;
}

} // namespace savrona
