// Writes the initial cookbook, row states, change logs and all, as categories.xml and
// recipes.xml in the original engine's XML data-packet layout into the folder given,
// as a program built on that engine would keep them: the files of the end-to-end test.
#include "data/initial-cookbook/InitialCookbook.h"
#include "data/packets/DataPacketXmlFromRaw.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool writeFile(const QString& path, const QByteArray& packetWithLength) {
    const QByteArray document = savrona::test_support::dataPacketXmlFromRaw(
        savrona::readRawBinaryPacket(packetWithLength.sliced(4)));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(document) == document.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!writeFile(folder.filePath("categories.xml"),
                   savrona::initialCategoriesPacketWithLength()) ||
        !writeFile(folder.filePath("recipes.xml"), savrona::initialRecipesPacketWithLength())) {
        std::fprintf(stderr, "cannot write the files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
