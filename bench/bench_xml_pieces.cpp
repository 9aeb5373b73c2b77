// The XML reader of the whole document on one thread against the reader in
// pieces, side by side under the same load, at 10,000 and 100,000 recipes.
#include "data/packets/PacketFormats.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlPiecesReader.h"
#include "generator/CookbookGenerator.h"

#include <benchmark/benchmark.h>

#include <map>

using namespace savrona;

namespace {

const QByteArray& recipesXmlOf(std::int64_t recipeCount) {
    static std::map<std::int64_t, QByteArray> documents;
    auto found = documents.find(recipeCount);
    if (found == documents.end()) {
        const int recipes = static_cast<int>(recipeCount);
        const GeneratedCookbook cookbook = generateCookbook(recipes, std::max(recipes / 100, 1));
        found = documents.emplace(recipeCount, writeXmlPacket(cookbook.recipes)).first;
    }
    return found->second;
}

void setSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

template <Packet (*read)(QByteArrayView)> void readRecipes(benchmark::State& state) {
    const QByteArray& document = recipesXmlOf(state.range(0));
    for (auto _ : state) {
        const Packet packet = read(document);
        benchmark::DoNotOptimize(packet.rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * document.size());
}

// As a table reads its file: the bytes handed over and parsed in place when
// read on one thread.
void readRecipesInPlace(benchmark::State& state) {
    const QByteArray& document = recipesXmlOf(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray bytes(document.constData(), document.size());
        state.ResumeTiming();
        const Packet packet = readPacketInPlace(std::move(bytes));
        benchmark::DoNotOptimize(packet.rows.data());
    }
}

} // namespace

BENCHMARK(readRecipes<readXmlPacketOnOneThread>)->Name("ReadXmlOnOneThread")->Apply(setSizes);
BENCHMARK(readRecipes<readXmlPacket>)->Name("ReadXmlInPieces")->Apply(setSizes);
BENCHMARK(readRecipesInPlace)->Name("ReadXmlFileBytesInPieces")->Apply(setSizes);

BENCHMARK_MAIN();
