#pragma once

// Writing an exported recipe to disk, and the input/output codes and messages its
// failures are reported with.

#include "data/files/AtomicFile.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace savrona {

// Writes an export's bytes to a file the user chose, replacing a file of that
// name without a question.
//
// A regular file is replaced through an AtomicFile, so a failed write (a full
// disk) or an exception from produce leaves what was there before; an
// existing file that may not be written (read-only) is refused before
// anything is touched. Anything else in the file's place (a pipe, a device)
// is refused without being opened, so the export never waits on it. A
// writable file in a folder that takes no new file is written in place, once
// all its bytes are made. Every failure throws Error with the input/output
// message of its error code, or a message of its own for what is no file.
void writeExportFile(const QString& path, QByteArrayView bytes);
// The same with the bytes that produce hands to the writer it is given, in
// order, so that a large export is written a batch at a time.
void writeExportFile(const QString& path, const std::function<void(const ChunkWriter&)>& produce);

// The input/output error code for a failed system call's errno value: the
// codes of the input/output messages ("Invalid filename" 3, "File access
// denied" 5, "Disk full" 101, ...), other failures by their Windows error code.
int inputOutputErrorCode(int errnoValue);

// The message shown for an input/output error code.
QString inputOutputErrorMessage(int code);

} // namespace savrona
