// Opens import files without waiting on pipes or devices, and refuses those too large.
#include "cookbook/exchange/formats/ImportFile.h"

#include "data/Error.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {

namespace {

[[noreturn]] void refuseUnopened(int errorNumber) {
    throw Error(QStringLiteral("the file cannot be opened: %1").arg(qt_error_string(errorNumber)));
}

// A folder, a pipe, a socket or a device, or a file too large.
void refuseWhatIsNoFileToRead(const struct stat& status, qint64 largest) {
    if (S_ISDIR(status.st_mode))
        throw Error(QStringLiteral("this is a folder, not a file"));
    if (!S_ISREG(status.st_mode))
        throw Error(QStringLiteral("this is a device or a pipe, not a file"));
    if (status.st_size > largest)
        throw Error(ImportFile::tooLargeMessage(largest));
}

} // namespace

void ImportFile::open(QFile& file, const QString& path, qint64 largest) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat status {};
    if (::stat(nativePath.constData(), &status) != 0)
        refuseUnopened(errno);
    refuseWhatIsNoFileToRead(status, largest);
    const int descriptor =
        ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        refuseUnopened(errno);
    try {
        if (::fstat(descriptor, &status) != 0)
            refuseUnopened(errno);
        refuseWhatIsNoFileToRead(status, largest);
        // A file on disk is read alike with or without the flag; off, as usual.
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            throw Error(QStringLiteral("the file cannot be opened: %1").arg(file.errorString()));
    } catch (...) {
        ::close(descriptor);
        throw;
    }
}

QString ImportFile::tooLargeMessage(qint64 largest) {
    constexpr qint64 megabyte = 1024 * 1024;
    const QString size = largest % megabyte == 0 ? QStringLiteral("%1 MB").arg(largest / megabyte)
                                                 : QStringLiteral("%1 bytes").arg(largest);
    return QStringLiteral("the file is larger than %1, more than an import reads").arg(size);
}

} // namespace savrona
