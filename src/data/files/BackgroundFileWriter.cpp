// The writer thread: hands filled blocks to the disk and hashes them while the caller
// fills the next.
#include "data/files/BackgroundFileWriter.h"

#include "data/files/ContentHash.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace savrona {

namespace {

constexpr qsizetype blockSize = contentHashSliceSize;
// One block being filled while the other is written: a megabyte each,
// whatever the size of the file.
constexpr int blockCount = 2;

// False with errno set when a write fails; a write that takes nothing is a
// full disk.
bool writeWhole(int descriptor, const char* bytes, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, std::size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

// Asks the kernel to start writing a range to disk now; the flush at the end
// still waits for all of it, so a failure here changes nothing.
void startWritingToDisk(int descriptor, qint64 offset, qint64 length) {
    ::sync_file_range(descriptor, offset, length, SYNC_FILE_RANGE_WRITE);
}

} // namespace

BackgroundFileWriter::BackgroundFileWriter(int descriptor)
    : m_descriptor(descriptor), m_contentHash(emptyContentHash()) {
    m_fillingBlock.reserve(blockSize);
    for (int block = 1; block < blockCount; ++block) {
        QByteArray empty;
        empty.reserve(blockSize);
        m_emptyBlocks.push_back(std::move(empty));
    }
    try {
        m_thread = std::thread([this] { writeBlocks(); });
    } catch (const std::system_error&) {
        m_writesInline = true; // no thread to be had: slower, but the file is written
    }
}

// Without finish(), the file is being given up: what is still queued is
// dropped rather than written.
BackgroundFileWriter::~BackgroundFileWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_fullBlocks.clear();
    }
    stopThread();
}

bool BackgroundFileWriter::append(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qsizetype taken = std::min(blockSize - m_fillingBlock.size(), bytes.size());
        m_fillingBlock.append(bytes.first(taken));
        bytes = bytes.sliced(taken);
        if (m_fillingBlock.size() == blockSize && !handOverFillingBlock())
            return false;
    }
    const std::lock_guard lock(m_mutex);
    return !m_failed;
}

// Queues the full block for the thread and takes an empty one, waiting for
// the thread to free one if need be.
bool BackgroundFileWriter::handOverFillingBlock() {
    if (m_writesInline)
        return writeFillingBlockInline();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || !m_emptyBlocks.empty(); });
    if (m_failed)
        return false;
    m_fullBlocks.push_back(std::move(m_fillingBlock));
    m_fillingBlock = std::move(m_emptyBlocks.back());
    m_emptyBlocks.pop_back();
    m_fillingBlock.resize(0); // keeps the capacity
    m_changed.notify_all();
    return true;
}

bool BackgroundFileWriter::writeFillingBlockInline() {
    m_failed = m_failed || !writeAndHash(m_fillingBlock);
    m_fillingBlock.resize(0);
    return !m_failed;
}

bool BackgroundFileWriter::finish() {
    if (m_writesInline) {
        if (!m_fillingBlock.isEmpty())
            writeFillingBlockInline();
        return !m_failed;
    }
    {
        std::unique_lock lock(m_mutex);
        if (!m_fillingBlock.isEmpty())
            m_fullBlocks.push_back(std::move(m_fillingBlock));
    }
    stopThread();
    return !m_failed;
}

void BackgroundFileWriter::stopThread() {
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_noMoreBlocks = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

// The thread: writes the full blocks in order until there are no more, or
// until a write fails. Blocks queued before the end are all written, so
// finish() gets the whole file; after a failure the rest are dropped.
void BackgroundFileWriter::writeBlocks() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_noMoreBlocks || !m_fullBlocks.empty(); });
        if (m_fullBlocks.empty())
            return;
        QByteArray block = std::move(m_fullBlocks.front());
        m_fullBlocks.pop_front();
        lock.unlock();
        const bool written = writeAndHash(block);
        lock.lock();
        if (!written) {
            m_failed = true;
            m_fullBlocks.clear();
            m_changed.notify_all();
            return;
        }
        m_emptyBlocks.push_back(std::move(block));
        m_changed.notify_all();
    }
}

bool BackgroundFileWriter::writeAndHash(const QByteArray& block) {
    if (!writeWhole(m_descriptor, block.constData(), block.size())) {
        m_errorNumber = errno;
        return false;
    }
    startWritingToDisk(m_descriptor, m_offset, block.size());
    // A block starts on a slice boundary and holds whole slices, but for the
    // last one.
    qsizetype sliceNumber = qsizetype(m_offset / contentHashSliceSize);
    for (qsizetype start = 0; start < block.size(); start += contentHashSliceSize, ++sliceNumber) {
        const QByteArrayView slice = QByteArrayView(block).sliced(
            start, std::min(contentHashSliceSize, block.size() - start));
        m_contentHash = combinedSliceHash(m_contentHash, hashOfSlice(slice, sliceNumber));
    }
    m_offset += block.size();
    return true;
}

} // namespace savrona
