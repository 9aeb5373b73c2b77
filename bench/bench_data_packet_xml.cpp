// Reading a recipes file in the original engine's XML data-packet layout against
// Savrona's own layout, as a table reads its file (the bytes handed over), at
// 10,000 and 100,000 recipes. The engine's layout is read in code page 1252 (no
// encoding declared, as the engine writes it) and in declared UTF-8.
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"

#include <benchmark/benchmark.h>

#include <map>

using namespace savrona;

namespace {

enum class Layout { Own, EngineCodePage, EngineUtf8 };

// The layout of a recipes file as the engine keeps it, taken from an empty one.
DataPacketXmlLayout engineLayout(Layout layout) {
    const QByteArray declaration = layout == Layout::EngineUtf8
                                       ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                       : "<?xml version=\"1.0\" standalone=\"yes\"?>";
    const QByteArray empty =
        declaration +
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"ID\" fieldtype=\"i4\"/><FIELD attrname=\"CategoryID\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"Title\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Ingredients\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
        "<FIELD attrname=\"Preparation\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
        "<FIELD attrname=\"servings\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Notes\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "<FIELD attrname=\"Picture\" fieldtype=\"string\" WIDTH=\"255\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>";
    return *readPacket(empty).dataPacketXmlLayout;
}

const QByteArray& recipesFileOf(std::int64_t recipeCount, Layout layout) {
    static std::map<std::pair<std::int64_t, Layout>, QByteArray> files;
    const auto key = std::make_pair(recipeCount, layout);
    auto found = files.find(key);
    if (found == files.end()) {
        const int recipes = static_cast<int>(recipeCount);
        Packet packet = generateCookbook(recipes, std::max(recipes / 100, 1)).recipes;
        if (layout != Layout::Own)
            packet.dataPacketXmlLayout = engineLayout(layout);
        found = files.emplace(key, writeXmlPacket(packet)).first;
    }
    return found->second;
}

template <Layout layout> void readRecipesFile(benchmark::State& state) {
    const QByteArray& file = recipesFileOf(state.range(0), layout);
    for (auto _ : state) {
        state.PauseTiming();
        QByteArray bytes(file.constData(), file.size());
        state.ResumeTiming();
        const Packet packet = readPacketInPlace(std::move(bytes));
        benchmark::DoNotOptimize(packet.rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * file.size());
    state.counters["file_MB"] = double(file.size()) / 1e6;
}

void setSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

BENCHMARK(readRecipesFile<Layout::Own>)->Name("ReadOwnLayout")->Apply(setSizes);
BENCHMARK(readRecipesFile<Layout::EngineCodePage>)
    ->Name("ReadEngineLayoutCodePage1252")
    ->Apply(setSizes);
BENCHMARK(readRecipesFile<Layout::EngineUtf8>)->Name("ReadEngineLayoutUtf8")->Apply(setSizes);

BENCHMARK_MAIN();
