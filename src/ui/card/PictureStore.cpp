// Copies pictures into the Pictures folder under free names made from recipe titles.
#include "ui/card/PictureStore.h"

#include "data/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace savrona {

namespace {

// Long enough to tell recipes apart, short enough for any file system and for the field.
constexpr qsizetype longestBaseName = 80;

// The title with the characters that would make it a path, or trouble on some file
// system, replaced; never empty, never hidden.
QString fileBaseName(const QString& title) {
    QString base;
    for (const QChar character : title.simplified()) {
        const bool unsafe =
            character.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(character);
        base += unsafe ? QLatin1Char('_') : character;
    }
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    base = base.left(longestBaseName).trimmed();
    return base.isEmpty() ? QStringLiteral("Picture") : base;
}

} // namespace

QStringList pictureFileTypes() {
    return {QStringLiteral("Pictures (*.jpg *.jpeg *.png *.gif *.bmp *.webp)"),
            QStringLiteral("All files (*)")};
}

bool isPictureFile(const QString& path) {
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix);
}

bool isPictureAddress(const QString& field) {
    return field.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           field.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

PictureStore::PictureStore(QString dataFolder)
    : m_folder(QDir(dataFolder).filePath(picturesFolderName)) {}

QString PictureStore::pathOf(const QString& field) const {
    return QDir(m_folder).filePath(QFileInfo(field).fileName());
}

QString PictureStore::store(const QString& sourcePath, const QString& title) const {
    if (!QImageReader(sourcePath).canRead())
        throw Error(QStringLiteral("%1 is not a picture that can be shown.")
                        .arg(QDir::toNativeSeparators(sourcePath)));
    if (!QDir().mkpath(m_folder))
        throw Error(QStringLiteral("The folder %1 could not be made.")
                        .arg(QDir::toNativeSeparators(m_folder)));
    const QString name =
        freeName(fileBaseName(title), QFileInfo(sourcePath).suffix().toLower().left(8));
    QFile source(sourcePath);
    // QFile::copy never writes onto an existing file.
    if (!source.copy(QDir(m_folder).filePath(name)))
        throw Error(QStringLiteral("The picture could not be copied to %1: %2")
                        .arg(QDir::toNativeSeparators(m_folder), source.errorString()));
    return name;
}

QString PictureStore::freeName(const QString& base, const QString& suffix) const {
    const QDir folder(m_folder);
    const QString dotSuffix = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
    QString name = base + dotSuffix;
    for (int number = 2; folder.exists(name); ++number)
        name = QStringLiteral("%1 (%2)%3").arg(base).arg(number).arg(dotSuffix);
    return name;
}

} // namespace savrona
