// Writes versions 1, 2, 3, ... of a packet to one data file, without end,
// until it is killed. Prints "ready" once the first version is on disk.
// Used by the data-file tests to kill a writer in the middle of a write.

#include "data/files/DataFile.h"
#include "data/files/WriteLoopVersions.h"
#include "data/packets/PacketFormats.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: data_file_write_loop <file>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    // Two versions prepared ahead, so the loop spends its time writing.
    const QByteArray versions[] = {
        savrona::writeXmlPacket(savrona::test_support::writeLoopVersion(1)),
        savrona::writeXmlPacket(savrona::test_support::writeLoopVersion(2))};
    for (long round = 0;; ++round) {
        savrona::writeDataFileAtomically(path, versions[round % 2], QStringLiteral("recipes.xml"));
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
