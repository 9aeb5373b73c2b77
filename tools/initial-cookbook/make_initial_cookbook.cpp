// Makes the initial cookbook's two binary packets from their readable source
// (src/data/initial-cookbook/source): the categories and recipes as they are now and the
// history of changes that the packets' change logs record. Writes the packets
// as categories.bin and recipes.bin, and the header that the program embeds
// them from, each with its 4-byte little-endian length in front.
//
// Usage: make_initial_cookbook [--summary] <output folder> <categories file>
//            <history file> <recipes file>...
#include "data/Error.h"
#include "data/packets/binary/BinaryPacket.h"
#include "initial-cookbook/CookbookSource.h"
#include "initial-cookbook/HistoryReplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cstdio>

namespace {

using namespace savrona;
using namespace savrona::cookbook;

QString readUtf8File(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (!QByteArrayView(bytes).isValidUtf8())
        throw Error(QStringLiteral("%1 is not UTF-8 text").arg(path));
    return QString::fromUtf8(bytes);
}

void writeFile(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), bytes.size()) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

QByteArray withLength(const QByteArray& packet) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(quint32(packet.size()), bytes.data());
    return bytes + packet;
}

QByteArray arrayDefinition(const char* name, const QByteArray& bytes) {
    QByteArray text = QByteArray("inline constexpr unsigned char ") + name + "[] = {";
    for (qsizetype index = 0; index < bytes.size(); ++index) {
        text += index % 16 == 0 ? "\n   " : "";
        text += " 0x" + QByteArray::number(quint8(bytes[index]), 16).rightJustified(2, '0') + ',';
    }
    return text + "\n};\n";
}

QByteArray embeddingHeader(const QByteArray& categories, const QByteArray& recipes) {
    return "// The initial cookbook's packets, each with its 4-byte length in front.\n"
           "// Made by make_initial_cookbook from src/data/initial-cookbook/source at build time.\n"
           "#pragma once\n\n"
           "namespace savrona::initial_cookbook {\n\n" +
           arrayDefinition("categoriesPacketWithLength", withLength(categories)) + '\n' +
           arrayDefinition("recipesPacketWithLength", withLength(recipes)) +
           "\n} // namespace savrona::initial_cookbook\n";
}

void printSummary(const char* table, const RawBinaryPacket& packet, qsizetype size) {
    const auto current =
        std::count_if(packet.rows.begin(), packet.rows.end(), [](const RawRow& row) {
            return (row.state & RowState::NotCurrentMask) == 0;
        });
    std::printf("%s: %zu rows, %td current, %zu change log entries, %lld bytes\n", table,
                packet.rows.size(), current, packet.changeLog().size(),
                static_cast<long long>(size));
}

int run(QStringList arguments) {
    const bool summary = arguments.removeAll(QStringLiteral("--summary")) > 0;
    if (arguments.size() < 4)
        throw Error(QStringLiteral("Usage: make_initial_cookbook [--summary] <output folder> "
                                   "<categories file> <history file> <recipes file>..."));
    const QDir output(arguments[0]);
    CookbookSources sources;
    sources.categories =
        readCategories(readUtf8File(arguments[1]), QFileInfo(arguments[1]).fileName());
    sources.history = readHistory(readUtf8File(arguments[2]), QFileInfo(arguments[2]).fileName());
    for (const QString& path : arguments.sliced(3)) {
        const std::vector<SourceRecipe> recipes =
            readRecipes(readUtf8File(path), QFileInfo(path).fileName());
        sources.recipes.insert(sources.recipes.end(), recipes.begin(), recipes.end());
    }

    const InitialPackets packets = makeInitialPackets(sources);
    const QByteArray categories = writeRawBinaryPacket(packets.categories);
    const QByteArray recipes = writeRawBinaryPacket(packets.recipes);
    if (!output.mkpath(QStringLiteral(".")))
        throw Error(QStringLiteral("Cannot create the folder %1").arg(output.path()));
    writeFile(output.filePath(QStringLiteral("categories.bin")), categories);
    writeFile(output.filePath(QStringLiteral("recipes.bin")), recipes);
    writeFile(output.filePath(QStringLiteral("InitialCookbookPackets.h")),
              embeddingHeader(categories, recipes));
    if (summary) {
        printSummary("categories", packets.categories, categories.size());
        printSummary("recipes", packets.recipes, recipes.size());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    try {
        return run(arguments);
    } catch (const savrona::Error& error) {
        std::fprintf(stderr, "make_initial_cookbook: %s\n", error.what());
        return 1;
    }
}
