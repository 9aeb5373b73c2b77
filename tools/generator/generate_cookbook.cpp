// savrona-generate-cookbook <folder> <recipes> <categories>: writes a made-up
// cookbook of that size as categories.xml and recipes.xml in the folder, the
// way the program itself writes them, for trying out and timing large
// cookbooks.
#include "data/Error.h"
#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

int countArgument(const QString& text, int least) {
    bool valid = false;
    const int count = text.toInt(&valid);
    return valid && count >= least ? count : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int recipes = arguments.size() == 4 ? countArgument(arguments[2], 0) : -1;
    const int categories = arguments.size() == 4 ? countArgument(arguments[3], 1) : -1;
    if (recipes < 0 || categories < 0) {
        std::fprintf(stderr, "usage: savrona-generate-cookbook <folder> <recipes> <categories>\n");
        return 2;
    }
    const QDir folder(arguments[1]);
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create folder %s\n", qPrintable(arguments[1]));
        return 1;
    }
    try {
        const savrona::GeneratedCookbook cookbook = savrona::generateCookbook(recipes, categories);
        savrona::writeDataFileAtomically(folder.filePath(savrona::categoriesFileName),
                                         savrona::writeXmlPacket(cookbook.categories),
                                         savrona::categoriesFileName);
        savrona::writeDataFileAtomically(folder.filePath(savrona::recipesFileName),
                                         savrona::writeXmlPacket(cookbook.recipes),
                                         savrona::recipesFileName);
    } catch (const savrona::Error& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
