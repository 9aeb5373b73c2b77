#pragma once

// The slice hashes behind hashOfContent, shared by the data file reader and the
// background writer.

#include <QByteArrayView>

#include <cstdint>
#include <functional>
#include <optional>

namespace savrona {

// The content hash of a data file (hashOfContent in DataFile.h): the bytes
// are cut into slices of contentHashSliceSize, each slice is hashed on its
// own, seeded with the process's seed and its number, and the slice hashes
// are combined in order. So slices can be hashed on several threads, or as
// they are written, and still give the one result.
constexpr qsizetype contentHashSliceSize = qsizetype(1) << 20;

qsizetype contentHashSliceCount(qint64 byteCount);

std::uint64_t hashOfSlice(QByteArrayView slice, qsizetype sliceNumber);

// Folds slice hashes in slice order, starting from emptyContentHash().
std::uint64_t emptyContentHash();
std::uint64_t combinedSliceHash(std::uint64_t combined, std::uint64_t sliceHash);

// Hashes slices [first, end) into sliceHashes[first, end); false on failure.
using SliceRangeHasher =
    std::function<bool(qsizetype first, qsizetype end, std::uint64_t* sliceHashes)>;

// The content hash of sliceCount slices, hashed by hashRange on two threads
// when there are enough slices to be worth it. Nothing when hashRange fails.
std::optional<std::uint64_t> hashSlicesInParallel(qsizetype sliceCount,
                                                  const SliceRangeHasher& hashRange);

} // namespace savrona
