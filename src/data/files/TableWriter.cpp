// A table's writer thread: the queue of one snapshot, the conflict check, and the
// outcome of each write kept for the table.
#include "data/files/TableWriter.h"

#include "data/packets/PacketFormats.h"

#include <QDateTime>

#include <malloc.h>
#include <new>

namespace savrona {

namespace {

bool isXmlFileName(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive);
}

// Changed by another program: replaced by another file, or written in place
// with other bytes, or made where there was none. A file that is gone, empty
// or unreadable now loses nothing by being written.
bool fileChangedSince(const LastSeenFile& seen, const DataFolder& folder, const QString& fileName) {
    if (!seen.known)
        return false;
    const auto identity = identityOfFile(folder, fileName);
    if (!identity || (seen.file && *identity == seen.file->identity))
        return false;
    try {
        const auto fingerprint = fingerprintDataFile(folder, fileName);
        if (!fingerprint)
            return false;
        return !seen.file || fingerprint->contentHash != seen.file->contentHash;
    } catch (const Error&) {
        return false;
    }
}

// "recipes (conflict 2024-05-01 134502).xml", or with a number after the
// time when a copy of that second exists already.
QString newConflictCopyName(const DataFolder& folder, const QString& fileName) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    for (int number = 1;; ++number) {
        const QString copyName = conflictCopyName(
            fileName, number == 1 ? stamp : stamp + QLatin1Char(' ') + QString::number(number));
        if (!identityOfFile(folder, copyName))
            return copyName;
    }
}

} // namespace

std::optional<FileFingerprint> writeTableFile(const DataFolder& folder, const QString& fileName,
                                              const PacketSnapshot& snapshot) {
    const bool xml = isXmlFileName(fileName);
    std::uint64_t hash = 0;
    try {
        snapshot.withView([&](const PacketView& packet) {
            hash = writeDataFileAtomically(folder, fileName, [&](const ChunkWriter& write) {
                if (xml)
                    writeXmlPacket(packet, write);
                else
                    write(writeBinaryPacket(packet));
            });
        });
    } catch (const std::bad_alloc&) {
        throw WriteError(WriteError::Kind::Failed,
                         QStringLiteral("Cannot create file %1").arg(fileName),
                         QStringLiteral("there is not enough memory"));
    }
    // Told after the rename: if another file has taken the name since, its
    // bytes will not match this hash.
    const auto identity = identityOfFile(folder, fileName);
    if (!identity)
        return std::nullopt;
    return FileFingerprint{*identity, hash};
}

namespace {

// From this size on, a write has filled its buffers over and over and left
// the rows copied since its snapshot free in the allocator.
constexpr std::int64_t largeFileSize = std::int64_t(8) << 20;

// What a large write freed stays with the allocator otherwise, in this
// thread's arena and the table's, and adds to the next write's peak; a
// fraction of a millisecond gives it back. After a small write there is
// little to give, and the trim would only hold up the commands' allocations.
void giveFreedMemoryBack() {
    ::malloc_trim(0);
}

WriteError conflictError(const QString& fileName, const QString& copyName) {
    return WriteError(WriteError::Kind::Conflict,
                      QStringLiteral("%1 was changed by another program since Savrona read it. "
                                     "It was left as the other program wrote it, and Savrona's "
                                     "version was saved beside it as \"%2\"")
                          .arg(fileName, copyName));
}

} // namespace

TableWriter::~TableWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void TableWriter::write(PacketSnapshot snapshot, std::shared_ptr<const DataFolder> folder,
                        QString fileName) {
    queue(Job{std::move(snapshot), std::move(folder), std::move(fileName)});
}

void TableWriter::retryFailedWrite() {
    std::optional<Job> failed;
    {
        const std::lock_guard lock(m_mutex);
        failed = std::move(m_failed);
        m_failed.reset();
    }
    if (failed)
        queue(std::move(*failed));
}

void TableWriter::queue(Job job) {
    std::optional<Job> replaced; // let go of outside the lock
    {
        const std::lock_guard lock(m_mutex);
        if (m_coupling) {
            // A newer snapshot takes the place of the one waiting in the
            // order of the hand-overs too: a snapshot of another table
            // handed over since must not be decided before it.
            job.turn = m_waiting ? m_waiting->turn : m_coupling->takeTurn();
        }
        replaced = std::exchange(m_waiting, std::move(job));
        // The newer snapshot holds everything the failed one held.
        m_failed.reset();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
}

void TableWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_waiting || m_stopping; });
        if (!m_waiting)
            return;
        Job job = std::move(*m_waiting);
        m_waiting.reset();
        m_writing = true;
        const LastSeenFile seen = m_lastSeen;
        const std::optional<QString> conflictCopy = m_conflictCopy;
        const std::shared_ptr<CoupledWrites> coupling = m_coupling;
        lock.unlock();

        Outcome outcome = perform(job, seen, conflictCopy, coupling.get());
        const bool largeFileWritten =
            outcome.written && outcome.written->identity.size >= largeFileSize;

        lock.lock();
        settle(std::move(job), std::move(outcome));
        lock.unlock();
        // The rows only this snapshot still held are let go of outside the lock.
        { const Job released = std::move(job); }
        if (largeFileWritten)
            giveFreedMemoryBack();
        {
            // Before the writer counts as idle, so that a wait for the
            // writes is a wait for their handlers too.
            const std::lock_guard handlerLock(m_handlerMutex);
            if (m_finishedHandler)
                m_finishedHandler();
        }
        lock.lock();
        m_writing = false;
        m_changed.notify_all();
    }
}

TableWriter::Outcome TableWriter::perform(const Job& job, const LastSeenFile& seen,
                                          const std::optional<QString>& conflictCopy,
                                          CoupledWrites* coupling) const {
    Outcome outcome;
    try {
        Destination destination = coupling ? destinationCoupled(job, seen, *coupling)
                                           : destinationAlone(job, seen, conflictCopy);
        outcome.conflict = std::move(destination.conflict);
        const auto written = writeTableFile(*job.folder, destination.fileName, job.snapshot);
        if (destination.isCopy)
            outcome.copyWritten = destination.fileName;
        else
            outcome.written = written;
    } catch (const WriteError& error) {
        outcome.failure = error;
    } catch (const Error& error) {
        outcome.failure =
            WriteError(WriteError::Kind::Failed,
                       QStringLiteral("Cannot create file %1").arg(job.fileName), error.message());
    }
    return outcome;
}

TableWriter::Destination
TableWriter::destinationAlone(const Job& job, const LastSeenFile& seen,
                              const std::optional<QString>& conflictCopy) const {
    // The table has not read the other program's file yet: its newer data
    // goes to the same copy.
    if (conflictCopy)
        return {*conflictCopy, true, std::nullopt};
    if (!fileChangedSince(seen, *job.folder, job.fileName))
        return {job.fileName, false, std::nullopt};
    const QString copyName = newConflictCopyName(*job.folder, job.fileName);
    return {copyName, true, conflictError(job.fileName, copyName)};
}

// Decided once every snapshot handed over before this one, to any coupled
// writer, has been: a conflict one of them met is known by then.
TableWriter::Destination TableWriter::destinationCoupled(const Job& job, const LastSeenFile& seen,
                                                         CoupledWrites& coupling) const {
    const CoupledTurn turn(coupling, job.turn);
    if (const auto stamp = coupling.conflictStamp())
        return {conflictCopyName(job.fileName, *stamp), true, std::nullopt};
    if (!fileChangedSince(seen, *job.folder, job.fileName))
        return {job.fileName, false, std::nullopt};
    const QString copyName = conflictCopyName(job.fileName, coupling.beginConflict(*job.folder));
    return {copyName, true, conflictError(job.fileName, copyName)};
}

void TableWriter::settle(Job&& job, Outcome&& outcome) {
    if (outcome.conflict)
        m_untoldConflict = std::move(outcome.conflict);
    if (outcome.failure) {
        if (!m_waiting)
            m_failed = std::move(job);
        m_fileWritten.reset();
        keepFailure(std::move(*outcome.failure));
        return;
    }
    if (outcome.copyWritten) {
        settleCopyWritten(*outcome.copyWritten);
        return;
    }
    m_lastSeen = {outcome.written.has_value(), outcome.written, true};
    m_fileWritten = outcome.written;
    // The data is in the file now: a failure not yet told is past, and so is
    // a conflict whose copy could not be written (the file was gone since).
    m_untoldConflict.reset();
    if (m_failure && m_failure->kind() != WriteError::Kind::Conflict)
        m_failure.reset();
}

// The file is left as the other program wrote it; a conflict begun here is
// told now that its copy holds the data.
void TableWriter::settleCopyWritten(const QString& copyName) {
    m_wroteConflictCopy = true;
    m_fileWritten.reset();
    if (!m_coupling && !m_conflictCopy) {
        m_conflictCopy = copyName;
        m_lastSeen = {};
    }
    if (m_untoldConflict)
        m_failure = std::exchange(m_untoldConflict, std::nullopt);
    else if (m_failure && m_failure->kind() != WriteError::Kind::Conflict)
        m_failure.reset();
}

// A conflict not yet told stays the one to tell.
void TableWriter::keepFailure(WriteError failure) {
    if (m_failure && m_failure->kind() == WriteError::Kind::Conflict)
        return;
    m_failure = std::move(failure);
}

bool TableWriter::isIdle() const {
    const std::lock_guard lock(m_mutex);
    return !m_waiting && !m_writing;
}

void TableWriter::waitUntilIdle() const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_waiting && !m_writing; });
}

bool TableWriter::waitUntilIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return !m_waiting && !m_writing; });
}

bool TableWriter::hasWorkLeft() const {
    const std::lock_guard lock(m_mutex);
    return m_waiting || m_writing || m_failed;
}

bool TableWriter::hasFailedWrite() const {
    const std::lock_guard lock(m_mutex);
    return m_failed.has_value();
}

bool TableWriter::isConflicted() const {
    const std::lock_guard lock(m_mutex);
    return m_conflictCopy.has_value();
}

bool TableWriter::writesToConflictCopies() const {
    const std::lock_guard lock(m_mutex);
    return m_coupling && m_coupling->conflictStamp();
}

bool TableWriter::owesConflictCopy() const {
    const std::lock_guard lock(m_mutex);
    return m_coupling && m_coupling->conflictStamp() && !m_wroteConflictCopy;
}

std::optional<FileFingerprint> TableWriter::fileWritten() const {
    const std::lock_guard lock(m_mutex);
    if (m_waiting || m_writing || m_failed)
        return std::nullopt;
    return m_fileWritten;
}

std::optional<WriteError> TableWriter::takeFailure() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_failure, std::nullopt);
}

void TableWriter::endConflict() {
    const std::lock_guard lock(m_mutex);
    m_conflictCopy.reset();
}

void TableWriter::resumeWritingFile(LastSeenFile seen) {
    const std::lock_guard lock(m_mutex);
    m_conflictCopy.reset();
    m_wroteConflictCopy = false;
    m_untoldConflict.reset();
    m_failed.reset();
    m_fileWritten.reset();
    m_lastSeen = std::move(seen);
    if (m_coupling)
        m_coupling->endConflict();
}

LastSeenFile TableWriter::lastSeenFile() const {
    const std::lock_guard lock(m_mutex);
    return m_lastSeen;
}

void TableWriter::setLastSeenFile(LastSeenFile file) {
    const std::lock_guard lock(m_mutex);
    m_lastSeen = std::move(file);
}

void TableWriter::waitForCoupledDecisions() const {
    std::shared_ptr<CoupledWrites> coupling;
    {
        const std::lock_guard lock(m_mutex);
        coupling = m_coupling;
    }
    if (coupling)
        coupling->waitForTurnsTaken();
}

void TableWriter::setCoupling(std::shared_ptr<CoupledWrites> coupling) {
    const std::lock_guard lock(m_mutex);
    m_coupling = std::move(coupling);
}

void TableWriter::setFinishedHandler(std::function<void()> handler) {
    const std::lock_guard lock(m_handlerMutex);
    m_finishedHandler = std::move(handler);
}

} // namespace savrona
