// Finding and placing the recipes' pictures in printed documents.
#include "ui/print/PrintPictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace savrona::print {

namespace {

// Pictures are kept at this resolution on paper, enough for print and small in the PDF.
constexpr qreal pictureDotsPerInch = 150;

} // namespace

QString pictureFileIn(const QString& picturesFolder, const QString& fieldValue) {
    const QString fileName = fieldValue.trimmed();
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) ||
        fileName.contains(QLatin1Char('\\')) || fileName == QStringLiteral(".") ||
        fileName == QStringLiteral(".."))
        return {};
    const QString path = QDir(picturesFolder).filePath(fileName);
    return QFileInfo(path).isFile() ? path : QString();
}

void insertPicture(QTextCursor& cursor, const QString& path, const QSizeF& room,
                   const QString& resourceName, qreal bottomMargin) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return;
    const QSizeF shown = QSizeF(image.size()).scaled(room, Qt::KeepAspectRatio);
    const QSize kept = (shown * (pictureDotsPerInch / 96.0)).toSize().boundedTo(image.size());
    cursor.document()->addResource(
        QTextDocument::ImageResource, QUrl(resourceName),
        image.scaled(kept, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    QTextBlockFormat block;
    block.setBottomMargin(bottomMargin);
    cursor.insertBlock(block);
    QTextImageFormat picture;
    picture.setName(resourceName);
    picture.setWidth(shown.width());
    picture.setHeight(shown.height());
    cursor.insertImage(picture);
}

} // namespace savrona::print
