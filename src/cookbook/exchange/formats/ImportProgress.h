#pragma once

// How far the reading of import files has got, and the user's wish to stop it; shared
// between the reading thread and the window that shows it.

#include <QString>

#include <atomic>
#include <exception>

namespace savrona {

// Thrown by the readers when the user cancelled; nothing read is kept.
class ImportCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "import cancelled"; }
};

// Bytes read of all the files, and a cancel flag. The readers advance it
// and check the flag on one thread; the progress dialog reads it and sets
// the flag on another.
class ImportProgress {
public:
    void setTotal(qint64 bytes) { m_total.store(bytes); }
    void advance(qint64 bytes) { m_done.fetch_add(bytes); }
    qint64 done() const { return m_done.load(); }
    qint64 total() const { return m_total.load(); }

    void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }
    void throwIfCancelled() const {
        if (isCancelled())
            throw ImportCancelled();
    }

private:
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{0};
    std::atomic<bool> m_cancelled{false};
};

} // namespace savrona
