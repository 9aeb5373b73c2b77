// Writing a data file on its own thread while its bytes are made: any cut of
// the bytes into chunks gives the same file and the same hash, the hash of a
// file read back agrees, and a failure on either side leaves the old file.
#include "data/Error.h"
#include "data/TableTestSupport.h"
#include "data/files/DataFile.h"
#include "data/files/FileSizeLimit.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace savrona;
using namespace savrona::testing;

namespace {

constexpr qsizetype slice = qsizetype(1) << 20;

const QString displayName = QStringLiteral("recipes.xml");

QByteArray patternedBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype index = 0; index < size; ++index)
        bytes[index] = char(index * 131 + index / 4099);
    return bytes;
}

// Hands bytes over in chunks whose sizes cycle through chunkSizes.
void produceInChunks(const ChunkWriter& write, QByteArrayView bytes,
                     const std::vector<qsizetype>& chunkSizes) {
    for (std::size_t turn = 0; !bytes.isEmpty(); ++turn) {
        const qsizetype size = std::min(chunkSizes[turn % chunkSizes.size()], bytes.size());
        write(bytes.first(size));
        bytes = bytes.sliced(size);
    }
}

struct Chunking {
    std::string name;
    std::vector<qsizetype> chunkSizes;
};

void PrintTo(const Chunking& chunking, std::ostream* out) {
    *out << chunking.name;
}

class PipelinedWriting : public ::testing::TestWithParam<std::tuple<qsizetype, Chunking>> {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString path() const { return folder.filePath(displayName); }
    QTemporaryDir folder;
};

TEST_P(PipelinedWriting, AnyChunkingGivesTheSameFileAndHash) {
    const auto& [size, chunking] = GetParam();
    const QByteArray bytes = patternedBytes(size);
    const std::uint64_t hash = writeDataFileAtomically(
        path(),
        [&](const ChunkWriter& write) { produceInChunks(write, bytes, chunking.chunkSizes); },
        displayName);

    EXPECT_EQ(fileContents(path()), bytes);
    EXPECT_EQ(hash, hashOfContent(bytes));
    const auto fingerprint = fingerprintDataFile(path(), displayName);
    if (size == 0) {
        EXPECT_FALSE(fingerprint.has_value()) << "an empty file has no fingerprint";
    } else {
        ASSERT_TRUE(fingerprint.has_value());
        EXPECT_EQ(fingerprint->contentHash, hash);
        EXPECT_EQ(fingerprint->identity, identityOfFile(path()));
        // Reading the file back gives its bytes with the same hash and identity.
        const auto contents = readDataFileContents(path(), displayName);
        ASSERT_TRUE(contents.has_value());
        EXPECT_EQ(contents->bytes, bytes);
        EXPECT_EQ(contents->contentHash, hash);
        EXPECT_EQ(contents->identity, fingerprint->identity);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{displayName});
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndChunkings, PipelinedWriting,
    ::testing::Combine(::testing::Values(0, 1, slice - 1, slice, slice + 1, 4 * slice,
                                         9 * slice + 17),
                       ::testing::Values(Chunking{"Whole", {qsizetype(1) << 40}},
                                         Chunking{"OddSmall", {7, 4093, 1, 65537}},
                                         Chunking{"AroundASlice", {slice - 1, slice + 3, 5}},
                                         Chunking{"LargerThanABlock", {5 * slice + 11}})),
    [](const auto& info) {
        return "Bytes" + std::to_string(std::get<0>(info.param)) + "In" +
               std::get<1>(info.param).name;
    });

// The slices' order is part of the hash, not only their contents.
TEST(ContentHashOfSlices, SwappingTwoSlicesChangesTheHash) {
    const QByteArray first(slice, 'a');
    const QByteArray second(slice, 'b');
    EXPECT_NE(hashOfContent(first + second), hashOfContent(second + first));
    EXPECT_NE(hashOfContent(first + second), hashOfContent(first + first));
    EXPECT_NE(hashOfContent(first), hashOfContent(first + QByteArray(1, '\0')));
}

class PipelinedWritingFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        writeWholeFile(path(), "old content");
    }
    QString path() const { return folder.filePath(displayName); }
    void expectOldFileAlone() const {
        EXPECT_EQ(fileContents(path()), "old content");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{displayName})
            << "no temporary file is left behind";
    }
    QTemporaryDir folder;
};

TEST_F(PipelinedWritingFailure, FullDiskStopsTheMakingAndKeepsTheOldFile) {
    const QByteArray chunk(64 * 1024, 'x');
    constexpr qsizetype wanted = 64 * slice;
    qsizetype made = 0;
    QString message;
    {
        const FileSizeLimit limit(6 * slice);
        message = messageOf([&] {
            writeDataFileAtomically(
                path(),
                [&](const ChunkWriter& write) {
                    for (; made < wanted; made += chunk.size())
                        write(chunk);
                },
                displayName);
        });
    }
    EXPECT_EQ(message, QStringLiteral("Cannot create file recipes.xml"));
    EXPECT_LT(made, wanted / 2) << "the making goes on no longer than the queue allows";
    expectOldFileAlone();
}

TEST_F(PipelinedWritingFailure, FullDiskAtTheLastBlockIsReported) {
    const QByteArray bytes = patternedBytes(slice + 100);
    QString message;
    {
        const FileSizeLimit limit(slice);
        message = messageOf([&] { writeDataFileAtomically(path(), bytes, displayName); });
    }
    EXPECT_EQ(message, QStringLiteral("Cannot create file recipes.xml"));
    expectOldFileAlone();
}

struct ProducerFailure {
    std::string name;
    std::function<void()> fail;
    QString expectedMessage;
};

void PrintTo(const ProducerFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class PipelinedWritingProducerFailure : public PipelinedWritingFailure,
                                        public ::testing::WithParamInterface<ProducerFailure> {};

// Fails after 10 MiB, while blocks are queued and being written.
TEST_P(PipelinedWritingProducerFailure, PassesTheExceptionOnAndKeepsTheOldFile) {
    const QByteArray chunk = patternedBytes(slice / 3);
    QString message;
    try {
        writeDataFileAtomically(
            path(),
            [&](const ChunkWriter& write) {
                for (qsizetype made = 0; made < 10 * slice; made += chunk.size())
                    write(chunk);
                GetParam().fail();
            },
            displayName);
        message = QStringLiteral("(no error)");
    } catch (const Error& error) {
        message = error.message();
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    }
    EXPECT_EQ(message, GetParam().expectedMessage);
    expectOldFileAlone();
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, PipelinedWritingProducerFailure,
    ::testing::Values(
        ProducerFailure{"RefusedText",
                        [] { throw Error(QStringLiteral("The data packet cannot be written")); },
                        QStringLiteral("The data packet cannot be written")},
        ProducerFailure{"OtherException", [] { throw std::runtime_error("out of order"); },
                        QStringLiteral("out of order")}),
    [](const auto& info) { return info.param.name; });

} // namespace
