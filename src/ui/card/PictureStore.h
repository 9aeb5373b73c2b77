#pragma once

// The recipes' pictures: files in a "Pictures" folder beside the data files, each named
// after its recipe; the Picture field holds the file name alone.

#include <QString>
#include <QStringList>

namespace savrona {

inline const QString picturesFolderName = QStringLiteral("Pictures");

// The file types a picture may be chosen from, for the open dialog.
QStringList pictureFileTypes();
bool isPictureFile(const QString& path);
// Whether the field holds a web address rather than a file name.
bool isPictureAddress(const QString& field);

class PictureStore {
public:
    explicit PictureStore(QString dataFolder);

    // The full path of the field's picture; a name that tries to leave the folder
    // counts by its last part only.
    QString pathOf(const QString& field) const;

    // Copies the picture file into the folder under a name made from the title, never
    // onto a file already there ("Pie.jpg", "Pie (2).jpg", ...), and answers the name.
    // Throws savrona::Error with the reason when the file cannot be read or copied.
    QString store(const QString& sourcePath, const QString& title) const;

private:
    QString freeName(const QString& base, const QString& suffix) const;

    QString m_folder;
};

} // namespace savrona
