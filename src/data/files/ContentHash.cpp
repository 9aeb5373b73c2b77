// Hashing data file content slice by slice, and on two threads when there is enough of it.
#include "data/files/ContentHash.h"

#include <QHashFunctions>

#include <system_error>
#include <thread>
#include <vector>

namespace savrona {

namespace {

// The finaliser of splitmix64: every input bit reaches every output bit.
std::uint64_t mixed(std::uint64_t value) {
    value ^= value >> 30;
    value *= 0xBF58476D1CE4E5B9;
    value ^= value >> 27;
    value *= 0x94D049BB133111EB;
    value ^= value >> 31;
    return value;
}

std::uint64_t seedOfSlice(qsizetype sliceNumber) {
    constexpr std::uint64_t golden = 0x9E3779B97F4A7C15;
    return mixed(std::uint64_t(QHashSeed::globalSeed()) +
                 (std::uint64_t(sliceNumber) + 1) * golden);
}

// Below this a second thread costs more than it saves.
constexpr qsizetype slicesWorthASecondThread = 4;

} // namespace

qsizetype contentHashSliceCount(qint64 byteCount) {
    return qsizetype((byteCount + contentHashSliceSize - 1) / contentHashSliceSize);
}

std::uint64_t hashOfSlice(QByteArrayView slice, qsizetype sliceNumber) {
    return qHash(slice, size_t(seedOfSlice(sliceNumber)));
}

std::uint64_t emptyContentHash() {
    return mixed(std::uint64_t(QHashSeed::globalSeed()));
}

std::uint64_t combinedSliceHash(std::uint64_t combined, std::uint64_t sliceHash) {
    return mixed(combined ^ sliceHash);
}

std::optional<std::uint64_t> hashSlicesInParallel(qsizetype sliceCount,
                                                  const SliceRangeHasher& hashRange) {
    std::vector<std::uint64_t> sliceHashes(std::size_t(sliceCount), 0);
    bool hashed = false;
    if (sliceCount < slicesWorthASecondThread) {
        hashed = hashRange(0, sliceCount, sliceHashes.data());
    } else {
        const qsizetype half = sliceCount / 2;
        bool firstHalfHashed = false;
        try {
            const std::jthread firstHalf(
                [&] { firstHalfHashed = hashRange(0, half, sliceHashes.data()); });
            hashed = hashRange(half, sliceCount, sliceHashes.data());
        } catch (const std::system_error&) {
            // No second thread to be had (the thread's start is all that throws).
            firstHalfHashed = hashRange(0, half, sliceHashes.data());
            hashed = hashRange(half, sliceCount, sliceHashes.data());
        }
        hashed = hashed && firstHalfHashed;
    }
    if (!hashed)
        return std::nullopt;
    std::uint64_t combined = emptyContentHash();
    for (const std::uint64_t sliceHash : sliceHashes)
        combined = combinedSliceHash(combined, sliceHash);
    return combined;
}

} // namespace savrona
