#pragma once

// Replacing a file so that a crash, a kill or a full disk leaves either the old file
// or the new one, whole: used for the data files and for every export.

#include "data/files/FileDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace savrona {

class BackgroundFileWriter;
class DataFolder;

// Takes the bytes of a file, one chunk after another.
using ChunkWriter = std::function<void(QByteArrayView chunk)>;

// Why a file could not be replaced. The owner of the file words it for the
// user: a data file and an export tell the same failure differently.
class FileReplaceError : public std::exception {
public:
    enum class Kind {
        Failed,            // a system call failed, errorNumber says why
        FolderTakesNoFile, // the folder refuses the temporary file (EACCES, EPERM, EROFS)
        TargetNotWritable, // the existing file may not be written, errorNumber says why
        TargetIsFolder,    // a folder stands in the file's place (EISDIR)
        TargetIsNoFile,    // a pipe, a device or a socket does (no errorNumber)
    };

    FileReplaceError(Kind kind, int errorNumber) noexcept
        : m_kind(kind), m_errorNumber(errorNumber) {}

    Kind kind() const noexcept { return m_kind; }
    int errorNumber() const noexcept { return m_errorNumber; }
    const char* what() const noexcept override { return "the file cannot be replaced"; }

private:
    Kind m_kind;
    int m_errorNumber;
};

// The new version of a file, written beside it and put in its place only
// when it is whole and on disk.
//
// The constructor checks the file and creates an empty temporary file in the
// same folder; write() takes the bytes, whole or in chunks, and a thread of
// its own writes and hashes them while the caller makes the rest
// (BackgroundFileWriter); commit() flushes the temporary file to disk,
// renames it over the file and flushes the folder. Until the commit, the
// file is as it was, and the temporary file is removed when the AtomicFile
// goes without one, whatever stopped it.
//
// A file kept as a symbolic link is replaced where the link points, and the
// link stays; the new file keeps the old one's permissions. An existing file
// that may not be written, a folder and anything that is no regular file (a
// pipe, a device) are refused before anything is created, and nothing but a
// regular file is ever opened, so no replacement waits on a pipe. Every
// failure throws FileReplaceError.
class AtomicFile {
public:
    // Replaces fileName in folder; folder must outlive the AtomicFile.
    AtomicFile(const DataFolder& folder, const QString& fileName);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends the next bytes. Throws once a write has failed, so that the
    // caller stops making more.
    void write(QByteArrayView chunk);
    // Puts the file in place; returns hashOfContent of all the bytes written.
    // Nothing may be written after it.
    std::uint64_t commit();

    // Whether name is one an AtomicFile gives its temporary file
    // (".savrona-<letters and digits>.tmp"), so that one left by a kill can be
    // told from the user's files.
    static bool isTemporaryName(QByteArrayView name);

private:
    void followLinks(QByteArray name);
    std::optional<mode_t> permissionsOfReplaceableTarget() const;
    void createTemporary();
    void removeTemporary();

    FileDescriptor m_linkFolder; // the folder a link leads to, when it is another
    int m_folder = -1;           // the folder of the file replaced
    QByteArray m_name;           // the file replaced, once links are followed
    QByteArray m_temporaryName;
    FileDescriptor m_temporary;
    std::unique_ptr<BackgroundFileWriter> m_writer;
    bool m_renamed = false;
};

} // namespace savrona
