#pragma once

// Reading and safely replacing the data files the tables live in, and telling whether a
// file still holds what was last read or written.

#include "data/files/AtomicFile.h"

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

class DataFolder;

// Checks the first bytes of a data file before the rest is read, and throws
// to refuse it: a file whose start shows it is no data packet is never read
// whole. Given the first dataFileStartSize bytes, and only for a file larger
// than that (a smaller one is read whole at once anyway).
using StartCheck = std::function<void(QByteArrayView firstBytes)>;
constexpr qsizetype dataFileStartSize = 64 * 1024;

// Reads the whole data file fileName in folder. Returns nothing when the file
// is missing or holds zero bytes; throws Error("Cannot open file <fileName>")
// when it exists but cannot be read, or is no regular file (a pipe or a
// device could block or never end; neither is opened in a way that waits).
std::optional<DataFileContents> readDataFileContents(const DataFolder& folder,
                                                     const QString& fileName,
                                                     const StartCheck& checkStart = {});

// The fingerprint of the data file, read slice by slice on two threads;
// nothing when the file is missing or empty; the same errors as
// readDataFileContents. A file that changes while it is read gets a
// fingerprint that matches neither its old nor its new content.
std::optional<FileFingerprint> fingerprintDataFile(const DataFolder& folder,
                                                   const QString& fileName);

// The identity of the file (links followed); nothing when it cannot be told.
std::optional<FileIdentity> identityOfFile(const DataFolder& folder, const QString& fileName);

// Replaces the data file fileName in folder with the bytes that produce hands
// to the writer it is given, in order, through an AtomicFile: a crash, a kill
// or a full disk leaves either the old file or the new one, whole, and a file
// kept as a symbolic link is replaced where the link points.
//
// A thread of its own writes and hashes the bytes while produce makes the
// rest, and the disk starts on each block at once. An exception from produce
// leaves the old file as it was and is passed on; once a write has failed,
// the writer throws into produce at its next chunk. Every failure of the
// write throws WriteError (Failed) with the message "Cannot create file
// <fileName>" and the reason, leaving the old file as it was; a folder that
// takes no new file says so in the message, as a writable file there still
// cannot be replaced safely. A folder that is gone (DataFolder::isGone)
// throws WriteError (FolderGone) saying so with the folder's path; a folder
// deleted and made again at its path is written there. Returns hashOfContent
// of all the bytes.
std::uint64_t writeDataFileAtomically(const DataFolder& folder, const QString& fileName,
                                      const std::function<void(const ChunkWriter&)>& produce);

// The same operations on a file named by a path, its last part the file's
// name and the rest its folder; messages name the file by displayName.
std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName);
std::optional<DataFileContents> readDataFileContents(const QString& path,
                                                     const QString& displayName);
std::optional<FileFingerprint> fingerprintDataFile(const QString& path, const QString& displayName);
std::optional<FileIdentity> identityOfFile(const QString& path);
void writeDataFileAtomically(const QString& path, QByteArrayView bytes, const QString& displayName);
std::uint64_t writeDataFileAtomically(const QString& path,
                                      const std::function<void(const ChunkWriter&)>& produce,
                                      const QString& displayName);

} // namespace savrona
