#pragma once

// What a data folder's lock file says about the copy of Savrona that holds it, and
// whether that copy can still be running.

#include <QByteArray>
#include <QString>

#include <optional>

namespace savrona {

// The copy of Savrona a lock file names: its process, its program and its
// computer, one a line (process ID, program name, host name, machine ID,
// boot ID), the layout of Qt's QLockFile, which earlier versions wrote.
class LockFileOwner {
public:
    // This process.
    static LockFileOwner thisProcess();
    // Who the content names; nothing when it names no process (an empty or
    // garbled file, as a power cut between creating and writing it leaves).
    static std::optional<LockFileOwner> readFrom(const QByteArray& content);

    QByteArray content() const;

    // False only when the copy is known to be gone: its process has ended,
    // now runs another program, or ran before this computer restarted. A copy
    // on another computer cannot be checked from here.
    bool mayBeRunning() const;
    bool isOnAnotherComputer() const;
    QString hostName() const { return m_hostName; }

private:
    LockFileOwner(qint64 processId, QString program, QString hostName, QByteArray machineId,
                  QByteArray bootId);

    bool isSameMachine() const;
    bool ranBeforeTheRestart() const;
    bool processHasEnded() const;

    qint64 m_processId;
    QString m_program;
    QString m_hostName;
    QByteArray m_machineId;
    QByteArray m_bootId;
};

} // namespace savrona
