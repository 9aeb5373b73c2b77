// Loads the look-alike Tahoma and MS Sans Serif files as application fonts.
#include "ui/look/DesignFonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

namespace savrona {

QStringList loadDesignFonts(const QString& folder) {
    static const QStringList fileNames{QStringLiteral("tahoma.ttf"),
                                       QStringLiteral("ms_sans_serif.ttf")};
    QStringList families;
    const QDir fonts(folder);
    for (const QString& fileName : fileNames) {
        const QString path = fonts.filePath(fileName);
        if (!QFileInfo(path).isFile())
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        if (id >= 0)
            families += QFontDatabase::applicationFontFamilies(id);
    }
    return families;
}

} // namespace savrona
