#pragma once

// The thread that writes a table's data file behind the commands that change it.

#include "data/Error.h"
#include "data/engine/RowBlocks.h"
#include "data/files/DataFile.h"
#include "data/files/DataFolder.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace savrona {

// The data file as a table last read or wrote it: known once the table has
// opened on its file (or found it missing) or written it; file is then its
// fingerprint, or nothing when it was missing.
struct LastSeenFile {
    bool known = false;
    std::optional<FileFingerprint> file;
};

// Writes a table's snapshot to fileName in folder: the whole file, as XML
// when the name ends in ".xml", else as a binary packet, replaced atomically
// (writeDataFileAtomically, whose failures it throws). Returns the
// fingerprint of the file written, when it can be told.
std::optional<FileFingerprint> writeTableFile(const DataFolder& folder, const QString& fileName,
                                              const PacketSnapshot& snapshot);

// Writes one table's snapshots to its data file on a thread of its own, one
// at a time: a snapshot handed over while another is being written waits,
// and a newer one takes its place, so that a burst of changes is written
// once, as it ended. Each write is the table's whole file, replaced
// atomically and flushed with its folder (DataFile.h).
//
// A file that another program changed since the table last read or wrote it
// is never replaced: the snapshot goes to a conflict copy beside it, and so
// does every later one until the table has learned of it (endConflict).
// A write that fails keeps its snapshot for retryFailedWrite, unless a newer
// one is handed over. The failure, or the conflict, is kept for the table to
// report (takeFailure); a later write that succeeds clears a failure not yet
// reported, since the data is then in the file.
class TableWriter {
public:
    TableWriter() = default;
    // Writes what is waiting, then ends the thread.
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    void write(PacketSnapshot snapshot, std::shared_ptr<const DataFolder> folder, QString fileName);
    // Hands the snapshot of the write that failed over again.
    void retryFailedWrite();

    // Nothing being written or waiting.
    bool isIdle() const;
    void waitUntilIdle() const;
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;

    // Writing, waiting, or failed and kept for a retry.
    bool hasWorkLeft() const;
    bool hasFailedWrite() const;
    bool isConflicted() const;
    // The file as the last write that reached it left it; nothing when it
    // could not be told, or while a write is under way or failed.
    std::optional<FileFingerprint> fileWritten() const;

    std::optional<WriteError> takeFailure();
    // Called once the table has read the file anew: later snapshots go to the file.
    void endConflict();

    LastSeenFile lastSeenFile() const;
    // Set by the table's thread while nothing is being written.
    void setLastSeenFile(LastSeenFile file);

    // Called on the writer's thread after each write, whatever its outcome,
    // before the writer counts as idle; cleared (waiting for a call under
    // way) by an empty handler.
    void setFinishedHandler(std::function<void()> handler);

private:
    struct Job {
        PacketSnapshot snapshot;
        std::shared_ptr<const DataFolder> folder;
        QString fileName;
    };
    struct Outcome {
        std::optional<FileFingerprint> written; // when the file itself was written
        std::optional<QString> conflictCopy;    // when a conflict began
        std::optional<WriteError> failure;
    };

    void queue(Job job);
    void run();
    Outcome perform(const Job& job, const LastSeenFile& seen,
                    const std::optional<QString>& conflictCopy) const;
    void settle(Job&& job, Outcome&& outcome);
    void keepFailure(WriteError failure);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::optional<Job> m_waiting;
    bool m_writing = false;
    bool m_stopping = false;
    std::optional<Job> m_failed;
    std::optional<WriteError> m_failure;
    std::optional<QString> m_conflictCopy;
    LastSeenFile m_lastSeen;
    std::optional<FileFingerprint> m_fileWritten;

    std::mutex m_handlerMutex;
    std::function<void()> m_finishedHandler;

    std::thread m_thread; // started by the first write
};

} // namespace savrona
