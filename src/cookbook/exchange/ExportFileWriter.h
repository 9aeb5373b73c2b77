#pragma once

// Writing an exported recipe to disk, and the input/output codes and messages its
// failures are reported with.

#include <QByteArrayView>
#include <QString>

namespace savrona {

// Writes an exported recipe's bytes to a file the user chose, replacing a
// file of that name without a question.
//
// A regular file is replaced through a temporary file in the same folder and
// a rename, so a failed write (a full disk) leaves what was there before; an
// existing file that may not be written (read-only) is refused before
// anything is touched. Anything else in the file's place (a pipe, a device)
// is refused without being opened, so the export never waits on it. Every
// failure throws Error with the input/output message of its error code, or
// a message of its own for what is no file.
void writeExportFile(const QString& path, QByteArrayView bytes);

// The input/output error code for a failed system call's errno value: the
// codes of the input/output messages ("Invalid filename" 3, "File access
// denied" 5, "Disk full" 101, ...), other failures by their Windows error code.
int inputOutputErrorCode(int errnoValue);

// The message shown for an input/output error code.
QString inputOutputErrorMessage(int code);

} // namespace savrona
