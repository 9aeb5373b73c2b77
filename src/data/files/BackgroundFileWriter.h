#pragma once

// Lets a large data file be written and hashed while the table is still turning its
// rows into bytes (writeDataFileAtomically).

#include <QByteArray>
#include <QByteArrayView>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace savrona {

// Writes a file on a thread of its own while the caller goes on making its
// bytes. The bytes are gathered into blocks of whole hash slices; the thread
// writes each block, starts the disk on it at once and hashes its slices
// (hashOfContent). At most a few blocks exist at a time, so memory stays
// small however large the file: append waits while they are all in use.
//
// The thread is always joined: by finish(), or by the destructor when the
// caller stops early (an exception while making the bytes).
class BackgroundFileWriter {
public:
    // Writes to descriptor, which must stay open until the writer is gone.
    explicit BackgroundFileWriter(int descriptor);
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // Takes the next bytes; false once a write has failed, so that the
    // caller can stop making more.
    bool append(QByteArrayView bytes);
    // Writes what is left and waits for the thread; false when any write
    // failed. The file is not flushed to disk: that is the caller's step.
    bool finish();
    // hashOfContent of everything appended; valid after finish() succeeded.
    std::uint64_t contentHash() const { return m_contentHash; }
    // The errno of the write that failed; valid once append() or finish()
    // returned false.
    int errorNumber() const { return m_errorNumber; }

private:
    bool handOverFillingBlock();
    bool writeFillingBlockInline();
    void writeBlocks();
    bool writeAndHash(const QByteArray& block);
    void stopThread();

    const int m_descriptor;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_fullBlocks;   // waiting for the thread, in order
    std::vector<QByteArray> m_emptyBlocks; // written, ready to be filled again
    QByteArray m_fillingBlock;             // the caller's, outside the lock
    bool m_noMoreBlocks = false;
    bool m_failed = false;
    bool m_writesInline = false; // when no thread could be started
    // The thread's own, read by the caller only after the join.
    qint64 m_offset = 0;
    int m_errorNumber = 0;
    std::uint64_t m_contentHash = 0;
    std::thread m_thread;
};

} // namespace savrona
