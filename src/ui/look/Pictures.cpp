// Loads the tree images and the application icon from the compiled-in resources.
#include "ui/look/Pictures.h"

#include <array>

// The pictures are compiled into the static library; the library's resource
// table is registered on first use.
static void registerPictures() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace savrona {

QIcon treeImage(int index) {
    static const std::array<const char*, 4> files{":/images/category-open-box.svg",
                                                  ":/images/closed-box.svg", ":/images/taco.svg",
                                                  ":/images/recipe-sheet.svg"};
    if (index < 0 || index >= static_cast<int>(files.size()))
        return {};
    registerPictures();
    return QIcon(QString::fromLatin1(files[static_cast<std::size_t>(index)]));
}

QIcon applicationIcon() {
    registerPictures();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/savrona-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/savrona-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/images/taco.svg"));
    return icon;
}

} // namespace savrona
