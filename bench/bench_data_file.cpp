// The data file alone, at the size of a 100,000-recipe recipes.xml (136 MB)
// and of a 10,000-recipe one: writing it through the writer thread (bytes
// already made, so the figure is the disk path: copy, write, hash, flush,
// rename), its fingerprint read back from the page cache, and the content
// hash of bytes in memory.
#include "data/files/DataFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace savrona;

namespace {

QByteArray fileBytes(std::int64_t megabytes) {
    QByteArray bytes(qsizetype(megabytes) << 20, Qt::Uninitialized);
    for (qsizetype index = 0; index < bytes.size(); ++index)
        bytes[index] = char('a' + index % 23);
    return bytes;
}

void setSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(14)->Arg(136)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// In chunks of 4 MiB and a bit, as the XML writer hands them over.
void writeInChunks(benchmark::State& state) {
    const QByteArray bytes = fileBytes(state.range(0));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recipes.xml"));
    constexpr qsizetype chunkSize = (qsizetype(4) << 20) + 4099;
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeDataFileAtomically(
            path,
            [&](const ChunkWriter& write) {
                for (qsizetype start = 0; start < bytes.size(); start += chunkSize)
                    write(QByteArrayView(bytes).sliced(start,
                                                       std::min(chunkSize, bytes.size() - start)));
            },
            QStringLiteral("recipes.xml")));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(writeInChunks)->Name("WriteDataFileInChunks")->Apply(setSizes);

void fingerprint(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recipes.xml"));
    writeDataFileAtomically(path, fileBytes(state.range(0)), QStringLiteral("recipes.xml"));
    for (auto _ : state)
        benchmark::DoNotOptimize(fingerprintDataFile(path, QStringLiteral("recipes.xml")));
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}
BENCHMARK(fingerprint)->Name("FingerprintDataFile")->Apply(setSizes);

void hashInMemory(benchmark::State& state) {
    const QByteArray bytes = fileBytes(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(hashOfContent(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(hashInMemory)->Name("HashOfContent")->Apply(setSizes);

} // namespace

BENCHMARK_MAIN();
