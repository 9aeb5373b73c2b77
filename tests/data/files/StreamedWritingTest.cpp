// A data file written in chunks while it is made: the same bytes as writing it
// whole, the hash of what reached the disk, and nothing changed when making
// it fails half-way.
#include "data/Error.h"
#include "data/TableTestSupport.h"
#include "data/files/DataFile.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Larger than a few chunks: texts with line breaks and references throughout.
Packet largePacket(int rows) {
    Packet packet{recipeFields(), {}};
    const QString line = QStringLiteral("1 cup flour & \"sugar\" <sifted>, ½ tsp salt\n");
    for (int id = 1; id <= rows; ++id) {
        Row row = recipeRow(id, id % 7, QStringLiteral("Recipe %1").arg(id));
        row[3] = Value::text(line.repeated(40 + id % 13));
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

class StreamedXml : public ::testing::TestWithParam<int> {};

TEST_P(StreamedXml, ChunksMakeTheSameBytesAsTheWholePacket) {
    const Packet packet = largePacket(GetParam());
    QByteArray joined;
    int chunks = 0;
    writeXmlPacket(packet, [&](QByteArrayView chunk) {
        joined.append(chunk);
        ++chunks;
    });
    EXPECT_EQ(joined, writeXmlPacket(packet));
    if (joined.size() > (qsizetype(8) << 20)) {
        EXPECT_GT(chunks, 1) << "a large packet is never held whole";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, StreamedXml, ::testing::Values(0, 1, 500, 6000));

class StreamedDataFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString path() const { return folder.filePath(QStringLiteral("recipes.xml")); }
    QTemporaryDir folder;
};

TEST_F(StreamedDataFile, ReturnsTheHashOfTheBytesWritten) {
    const Packet packet = largePacket(6000);
    const std::uint64_t hash = writeDataFileAtomically(
        path(), [&](const ChunkWriter& write) { writeXmlPacket(packet, write); },
        QStringLiteral("recipes.xml"));
    const QByteArray written = contentsOf(path());
    EXPECT_EQ(written, writeXmlPacket(packet));
    EXPECT_EQ(hash, hashOfContent(written));
    EXPECT_EQ(fingerprintDataFile(path(), QStringLiteral("recipes.xml"))->contentHash, hash);
}

TEST_F(StreamedDataFile, FailureWhileMakingTheContentLeavesTheOldFile) {
    writeDataFileAtomically(path(), "old content", QStringLiteral("recipes.xml"));
    Packet packet = largePacket(6000);
    packet.rows[5000][2] = Value::text(QByteArray("\xFF not UTF-8"));
    const QString message = messageOf([&] {
        writeDataFileAtomically(
            path(), [&](const ChunkWriter& write) { writeXmlPacket(packet, write); },
            QStringLiteral("recipes.xml"));
    });
    EXPECT_EQ(message, "The data packet cannot be written: row 5001 holds a text in the field "
                       "\"Title\" that is not valid UTF-8.");
    EXPECT_EQ(contentsOf(path()), "old content");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"recipes.xml"}))
        << "no temporary file is left behind";
}

} // namespace
