#pragma once

// Reading and safely replacing the data files the tables live in, and telling whether a
// file still holds what was last read or written.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace savrona {

// Which file a path named, as the file system tells it: a file replaced by
// another (a rename over it) has another inode, a file written in place
// another size or modification time.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// A file's identity and a 64-bit hash of its bytes (hashOfContent). Two
// fingerprints that are equal name the same file holding the same bytes.
struct FileFingerprint {
    FileIdentity identity;
    std::uint64_t contentHash = 0;

    bool operator==(const FileFingerprint&) const = default;
};

struct DataFileContents {
    QByteArray bytes;
    FileIdentity identity;     // of the file the bytes were read from
    std::uint64_t contentHash; // hashOfContent(bytes)
};

// A hash of the bytes, seeded at random once per process, so that no file can
// be made to collide with another on purpose. Hashed in fixed slices, each on
// its own, so that a file can be hashed while it is written or read, without
// holding it whole, and on more than one thread (ContentHash.h).
std::uint64_t hashOfContent(QByteArrayView bytes);

// Reads a whole data file. Returns nothing when the file is missing or holds
// zero bytes; throws Error("Cannot open file <displayName>") when it exists
// but cannot be read.
std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName);
// The same, with the identity of the file read.
std::optional<DataFileContents> readDataFileContents(const QString& path,
                                                     const QString& displayName);

// The fingerprint of the data file at path, read slice by slice on two
// threads; nothing when the file is missing or empty; the same errors as
// readDataFile. A file that changes while it is read gets a fingerprint that
// matches neither its old nor its new content.
std::optional<FileFingerprint> fingerprintDataFile(const QString& path, const QString& displayName);

// The identity of the file at path; nothing when it cannot be told.
std::optional<FileIdentity> identityOfFile(const QString& path);

// Replaces the file at path with bytes so that a crash, a kill or a full disk
// leaves either the old file or the new one, whole: writes a temporary file in
// the same folder, flushes it to disk and renames it over path. Throws
// Error("Cannot create file <displayName>") on any failure, leaving the old
// file as it was.
void writeDataFileAtomically(const QString& path, QByteArrayView bytes, const QString& displayName);

// Takes the bytes of a data file, one chunk after another.
using ChunkWriter = std::function<void(QByteArrayView chunk)>;

// The same, for content made while it is written: produce hands its bytes to
// the writer it is given, in order. A thread of its own writes and hashes
// them while produce makes the rest, and the disk starts on each block at
// once. An exception from produce leaves the old file as it was and is passed
// on; once a write has failed, the writer throws the "Cannot create file"
// error into produce at its next chunk. Returns hashOfContent of all the
// bytes.
std::uint64_t writeDataFileAtomically(const QString& path,
                                      const std::function<void(const ChunkWriter&)>& produce,
                                      const QString& displayName);

} // namespace savrona
