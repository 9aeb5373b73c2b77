#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace savrona {

// Reads a whole data file. Returns nothing when the file is missing or holds
// zero bytes; throws Error("Cannot open file <displayName>") when it exists
// but cannot be read.
std::optional<QByteArray> readDataFile(const QString& path, const QString& displayName);

// Replaces the file at path with bytes so that a crash, a kill or a full disk
// leaves either the old file or the new one, whole: writes a temporary file in
// the same folder, flushes it to disk and renames it over path. Throws
// Error("Cannot create file <displayName>") on any failure, leaving the old
// file as it was.
void writeDataFileAtomically(const QString& path, QByteArrayView bytes, const QString& displayName);

} // namespace savrona
