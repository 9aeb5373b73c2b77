#pragma once

// The thread that writes a table's data file behind the commands that change it.

#include "data/Error.h"
#include "data/engine/RowBlocks.h"
#include "data/files/CoupledWrites.h"
#include "data/files/DataFile.h"
#include "data/files/DataFolder.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
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
    bool writtenByTable = false; // the table wrote it, rather than read it
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
// A writer coupled with others (CoupledWrites) decides in turn with them, and
// once any of them has met a conflict, it writes every snapshot to its copy of
// the pair for the rest of the run.
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
    // Writing to a conflict copy until the table reads its file anew.
    bool isConflicted() const;
    // Coupled, and every snapshot goes to a copy of the pair from now on.
    bool writesToConflictCopies() const;
    // Writes to the copies of the pair, but none has reached this writer's
    // copy yet: the table's records should be handed over, changed or not.
    bool owesConflictCopy() const;
    // Waits until every snapshot handed over so far to the coupled writers
    // has its destination decided; at once when not coupled.
    void waitForCoupledDecisions() const;
    // The file as the last write that reached it left it; nothing when it
    // could not be told, or while a write is under way or failed.
    std::optional<FileFingerprint> fileWritten() const;

    std::optional<WriteError> takeFailure();
    // Called once the table has read the file anew: later snapshots go to the file.
    void endConflict();
    // Called while nothing is being written, once the table holds records merged from its
    // own and the file's (seen): the file is replaced again from now on, a conflict of the
    // coupled writers ends, and a failed write is dropped (the merged records hold it).
    void resumeWritingFile(LastSeenFile seen);

    LastSeenFile lastSeenFile() const;
    // Set by the table's thread while nothing is being written.
    void setLastSeenFile(LastSeenFile file);

    // Set by the table's thread while nothing is being written, before the
    // first write; shared by the writers of the tables coupled.
    void setCoupling(std::shared_ptr<CoupledWrites> coupling);

    // Called on the writer's thread after each write, whatever its outcome,
    // before the writer counts as idle; cleared (waiting for a call under
    // way) by an empty handler.
    void setFinishedHandler(std::function<void()> handler);

private:
    struct Job {
        PacketSnapshot snapshot;
        std::shared_ptr<const DataFolder> folder;
        QString fileName;
        std::uint64_t turn = 0; // among the coupled writers' snapshots
    };
    // Where a snapshot goes: its file or a conflict copy.
    struct Destination {
        QString fileName;
        bool isCopy = false;
        std::optional<WriteError> conflict; // when this snapshot began a conflict
    };
    struct Outcome {
        std::optional<FileFingerprint> written; // when the file itself was written
        std::optional<QString> copyWritten;     // when a conflict copy was written
        std::optional<WriteError> conflict;     // when a conflict began
        std::optional<WriteError> failure;
    };

    void queue(Job job);
    void run();
    Outcome perform(const Job& job, const LastSeenFile& seen,
                    const std::optional<QString>& conflictCopy, CoupledWrites* coupling) const;
    Destination destinationAlone(const Job& job, const LastSeenFile& seen,
                                 const std::optional<QString>& conflictCopy) const;
    Destination destinationCoupled(const Job& job, const LastSeenFile& seen,
                                   CoupledWrites& coupling) const;
    void settle(Job&& job, Outcome&& outcome);
    void settleCopyWritten(const QString& copyName);
    void keepFailure(WriteError failure);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::optional<Job> m_waiting;
    bool m_writing = false;
    bool m_stopping = false;
    std::optional<Job> m_failed;
    std::optional<WriteError> m_failure;
    std::optional<QString> m_conflictCopy; // alone, until the table learns of it
    std::shared_ptr<CoupledWrites> m_coupling;
    bool m_wroteConflictCopy = false;
    // A conflict this writer began, told once its copy is written.
    std::optional<WriteError> m_untoldConflict;
    LastSeenFile m_lastSeen;
    std::optional<FileFingerprint> m_fileWritten;

    std::mutex m_handlerMutex;
    std::function<void()> m_finishedHandler;

    std::thread m_thread; // started by the first write
};

} // namespace savrona
