// A table's writer thread: the queue of one snapshot, the conflict check, and the
// outcome of each write kept for the table.
#include "data/files/TableWriter.h"

#include "data/packets/PacketFormats.h"

#include <QDateTime>
#include <QFileInfo>

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
QString conflictCopyName(const DataFolder& folder, const QString& fileName) {
    const QFileInfo name(fileName);
    const QString suffix = name.suffix().isEmpty() ? QString() : QLatin1Char('.') + name.suffix();
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    for (int number = 1;; ++number) {
        const QString numbered =
            number == 1 ? stamp : stamp + QLatin1Char(' ') + QString::number(number);
        const QString copyName =
            QStringLiteral("%1 (conflict %2)%3").arg(name.completeBaseName(), numbered, suffix);
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
        lock.unlock();

        Outcome outcome = perform(job, seen, conflictCopy);
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
                                          const std::optional<QString>& conflictCopy) const {
    Outcome outcome;
    try {
        if (conflictCopy) {
            // The table has not read the other program's file yet: its
            // newer data goes to the same copy.
            writeTableFile(*job.folder, *conflictCopy, job.snapshot);
        } else if (fileChangedSince(seen, *job.folder, job.fileName)) {
            const QString copyName = conflictCopyName(*job.folder, job.fileName);
            writeTableFile(*job.folder, copyName, job.snapshot);
            outcome.conflictCopy = copyName;
            outcome.failure = conflictError(job.fileName, copyName);
        } else {
            outcome.written = writeTableFile(*job.folder, job.fileName, job.snapshot);
        }
    } catch (const WriteError& error) {
        outcome.failure = error;
    } catch (const Error& error) {
        outcome.failure =
            WriteError(WriteError::Kind::Failed,
                       QStringLiteral("Cannot create file %1").arg(job.fileName), error.message());
    }
    return outcome;
}

void TableWriter::settle(Job&& job, Outcome&& outcome) {
    if (outcome.conflictCopy) {
        m_conflictCopy = outcome.conflictCopy;
        m_lastSeen = {};
        m_fileWritten.reset();
        m_failure = std::move(outcome.failure);
        return;
    }
    if (outcome.failure) {
        if (!m_waiting)
            m_failed = std::move(job);
        m_fileWritten.reset();
        keepFailure(std::move(*outcome.failure));
        return;
    }
    if (!m_conflictCopy) {
        m_lastSeen = {outcome.written.has_value(), outcome.written};
        m_fileWritten = outcome.written;
    }
    // The data is on disk now: a failure not yet told is past.
    if (m_failure && m_failure->kind() != WriteError::Kind::Conflict)
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

LastSeenFile TableWriter::lastSeenFile() const {
    const std::lock_guard lock(m_mutex);
    return m_lastSeen;
}

void TableWriter::setLastSeenFile(LastSeenFile file) {
    const std::lock_guard lock(m_mutex);
    m_lastSeen = std::move(file);
}

void TableWriter::setFinishedHandler(std::function<void()> handler) {
    const std::lock_guard lock(m_handlerMutex);
    m_finishedHandler = std::move(handler);
}

} // namespace savrona
