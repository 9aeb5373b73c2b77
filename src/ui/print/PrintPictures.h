#pragma once

// The recipes' pictures on paper: found in the pictures folder by the name a recipe's
// Picture field holds, and put into a printed document at a size that fits.

#include <QSizeF>
#include <QString>

class QTextCursor;

namespace savrona::print {

// The picture file a Picture field names in the folder: a plain file name there, never a
// path leading elsewhere; empty when there is none.
QString pictureFileIn(const QString& picturesFolder, const QString& fieldValue);

// Inserts the picture as a block of its own at the cursor, scaled to fit room (in the
// layout's units, 96 a inch) without stretching, and kept at a resolution fit for print.
// A picture that cannot be read is left out. resourceName must be unique in the document.
void insertPicture(QTextCursor& cursor, const QString& path, const QSizeF& room,
                   const QString& resourceName, qreal bottomMargin);

} // namespace savrona::print
