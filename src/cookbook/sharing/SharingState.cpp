// The state folder of a shared data folder: kept files and the own versions' identities.
#include "cookbook/sharing/SharingState.h"

#include "data/Error.h"
#include "data/files/FolderEntries.h"
#include "data/packets/PacketFormats.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace savrona {

QString SharingState::folderFor(const QString& dataFolderPath) {
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    const QString path = QDir::cleanPath(QFileInfo(dataFolderPath).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256).toHex();
    QString name = QFileInfo(path).fileName().left(40);
    name.replace(QRegularExpression(QStringLiteral("[^\\w.-]")), QStringLiteral("_"));
    return stateHome + QStringLiteral("/Savrona/") + name + QLatin1Char('-') +
           QString::fromLatin1(hash.left(16));
}

QString SharingState::basePath(const QString& fileName) const {
    return m_folder + QStringLiteral("/base-") + fileName;
}

QString SharingState::ownPath(const QString& fileName) const {
    return m_folder + QStringLiteral("/own-") + fileName;
}

bool SharingState::keep(const DataFolder& data, const QString& fileName,
                        const FileIdentity& expected, const QString& path) {
    return QDir().mkpath(m_folder) && keepFileAt(data, fileName, expected, path);
}

bool SharingState::keepBase(const DataFolder& data, const QString& fileName,
                            const FileIdentity& expected) {
    return keep(data, fileName, expected, basePath(fileName));
}

bool SharingState::keepBaseRows(const QString& fileName, const Packet& rows) {
    try {
        if (!QDir().mkpath(m_folder))
            return false;
        writeDataFileAtomically(basePath(fileName), writeXmlPacket(rows),
                                QFileInfo(basePath(fileName)).fileName());
        return true;
    } catch (const Error&) {
        return false;
    }
}

// The identity goes beside the file: "device inode size modified" in decimal.
bool SharingState::keepOwn(const DataFolder& data, const QString& fileName,
                           const FileIdentity& expected) {
    if (!keep(data, fileName, expected, ownPath(fileName)))
        return false;
    QSaveFile record(ownPath(fileName) + QStringLiteral(".identity"));
    if (!record.open(QIODevice::WriteOnly))
        return false;
    record.write(QByteArray::number(quint64(expected.device)) + ' ' +
                 QByteArray::number(quint64(expected.inode)) + ' ' +
                 QByteArray::number(qint64(expected.size)) + ' ' +
                 QByteArray::number(qint64(expected.modifiedNanoseconds)) + '\n');
    return record.commit();
}

std::optional<FileIdentity> SharingState::ownIdentity(const QString& fileName) const {
    QFile record(ownPath(fileName) + QStringLiteral(".identity"));
    if (!record.open(QIODevice::ReadOnly) || !QFileInfo::exists(ownPath(fileName)))
        return std::nullopt;
    const QList<QByteArray> numbers = record.readAll().trimmed().split(' ');
    if (numbers.size() != 4)
        return std::nullopt;
    bool valid[4] = {};
    const FileIdentity identity{numbers[0].toULongLong(&valid[0]),
                                numbers[1].toULongLong(&valid[1]), numbers[2].toLongLong(&valid[2]),
                                numbers[3].toLongLong(&valid[3])};
    if (!(valid[0] && valid[1] && valid[2] && valid[3]))
        return std::nullopt;
    return identity;
}

} // namespace savrona
