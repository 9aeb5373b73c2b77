#pragma once

// Opening an import file: a file on disk only, never a pipe or a device, and no larger
// than an import reads.

#include <QString>

class QFile;

namespace savrona {

class ImportFile {
public:
    // The largest file an import reads, of any kind. A larger one is refused
    // before a byte of it is read, and one that grows past this while it is
    // read is dropped: the reading never holds more than a few times this.
    static constexpr qint64 largestFile = 256LL * 1024 * 1024;

    // Opens path for reading into file. Throws Error with the message for the
    // import's details when it is a folder, a pipe, a socket or a device, is
    // larger than largest, or cannot be opened. A pipe is never opened, so
    // never waited on: the path is looked at first, and what was opened is
    // looked at again in case a pipe took the file's place meanwhile.
    static void open(QFile& file, const QString& path, qint64 largest = largestFile);

    // What the import's details say about a file larger than largest.
    static QString tooLargeMessage(qint64 largest = largestFile);
};

} // namespace savrona
