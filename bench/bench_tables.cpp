// The table engine at cookbook sizes of 1,000, 10,000 and 100,000 recipes
// (10, 100 and 1,000 categories): packet forms, data files, the walk of a
// tree rebuild and a lookup by title.
#include "data/engine/ActiveIndex.h"
#include "data/engine/Lookups.h"
#include "data/engine/Table.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <random>

using namespace savrona;

namespace {

const GeneratedCookbook& cookbookOf(std::int64_t recipeCount) {
    static std::map<std::int64_t, GeneratedCookbook> cookbooks;
    auto found = cookbooks.find(recipeCount);
    if (found == cookbooks.end()) {
        const int recipes = static_cast<int>(recipeCount);
        found =
            cookbooks.emplace(recipeCount, generateCookbook(recipes, std::max(recipes / 100, 1)))
                .first;
    }
    return found->second;
}

TableDefinition definitionOn(TableDefinition definition, const Packet& packet) {
    definition.initialPacket = packet;
    return definition;
}

// Opened on its packet and moved to fileName in folder, as the first rebuild
// does: the file is missing, so the table counts as changed.
void moveToFile(Table& table, const QTemporaryDir& folder, const QString& fileName) {
    table.close();
    table.setDataDirectory(folder.path());
    table.setFileName(fileName);
    table.open();
}

void setSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond)
        ->Complexity(benchmark::oN);
}

void finish(benchmark::State& state, std::int64_t bytes = 0) {
    state.SetComplexityN(state.range(0));
    if (bytes > 0)
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}

// --- Packet forms in memory ------------------------------------------------

template <QByteArray (*write)(const Packet&)> void serializeRecipes(benchmark::State& state) {
    const Packet& packet = cookbookOf(state.range(0)).recipes;
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = write(packet);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.constData());
    }
    finish(state, size);
}

template <QByteArray (*write)(const Packet&)> void parseRecipes(benchmark::State& state) {
    const QByteArray bytes = write(cookbookOf(state.range(0)).recipes);
    for (auto _ : state) {
        const Packet packet = readPacket(bytes);
        benchmark::DoNotOptimize(packet.rows.data());
    }
    finish(state, bytes.size());
}

BENCHMARK(serializeRecipes<writeXmlPacket>)->Name("SerializeXml")->Apply(setSizes);
BENCHMARK(serializeRecipes<writeBinaryPacket>)->Name("SerializeBinary")->Apply(setSizes);
BENCHMARK(parseRecipes<writeXmlPacket>)->Name("ParseXml")->Apply(setSizes);
BENCHMARK(parseRecipes<writeBinaryPacket>)->Name("ParseBinary")->Apply(setSizes);

// --- Table close -> file and open <- file ----------------------------------

// Close of a changed table: rows handed over, serialized, written atomically
// (temporary file, fsync, rename).
void closeWritingFile(benchmark::State& state, const QString& fileName) {
    QTemporaryDir folder;
    Table table(definitionOn(recipesTableDefinition(), cookbookOf(state.range(0)).recipes));
    moveToFile(table, folder, fileName);
    for (auto _ : state) {
        table.close();
        state.PauseTiming();
        QFile::remove(folder.filePath(fileName));
        table.open(); // on the kept packet: the file is missing, so changed again
        state.ResumeTiming();
    }
    finish(state);
}

void walkTitlesAndIds(Table& table) {
    for (table.first(); !table.eof(); table.next()) {
        benchmark::DoNotOptimize(table.textByName(QStringLiteral("Title")));
        benchmark::DoNotOptimize(table.integerByName(QStringLiteral("ID")));
    }
}

// Open from the file (read, parse, index) and a walk of every record reading
// Title and ID, by a table that never saw the file before.
void openFromFileAndWalk(benchmark::State& state, const QString& fileName) {
    QTemporaryDir folder;
    {
        Table writer(definitionOn(recipesTableDefinition(), cookbookOf(state.range(0)).recipes));
        moveToFile(writer, folder, fileName);
        writer.close(); // writes the file
    }
    for (auto _ : state) {
        state.PauseTiming();
        Table table(recipesTableDefinition());
        table.close(); // closed on its initial packet, which the file wins over
        table.setDataDirectory(folder.path());
        table.setFileName(fileName);
        state.ResumeTiming();
        table.open();
        walkTitlesAndIds(table);
        state.PauseTiming();
        table.close();
        state.ResumeTiming();
    }
    finish(state);
}

// The same by the table that wrote the file: it finds the file as it wrote
// it and takes the rows it kept instead of parsing.
void reopenUnchangedFileAndWalk(benchmark::State& state, const QString& fileName) {
    QTemporaryDir folder;
    Table table(definitionOn(recipesTableDefinition(), cookbookOf(state.range(0)).recipes));
    moveToFile(table, folder, fileName);
    table.close(); // writes the file
    for (auto _ : state) {
        table.open();
        walkTitlesAndIds(table);
        state.PauseTiming();
        table.close();
        state.ResumeTiming();
    }
    finish(state);
}

BENCHMARK_CAPTURE(reopenUnchangedFileAndWalk, Xml, QStringLiteral("recipes.xml"))
    ->Apply(setSizes)
    ->UseRealTime();
BENCHMARK_CAPTURE(closeWritingFile, Xml, QStringLiteral("recipes.xml"))
    ->Apply(setSizes)
    ->UseRealTime();
BENCHMARK_CAPTURE(closeWritingFile, Binary, QStringLiteral("recipes.dat"))
    ->Apply(setSizes)
    ->UseRealTime();
BENCHMARK_CAPTURE(openFromFileAndWalk, Xml, QStringLiteral("recipes.xml"))
    ->Apply(setSizes)
    ->UseRealTime();
BENCHMARK_CAPTURE(openFromFileAndWalk, Binary, QStringLiteral("recipes.dat"))
    ->Apply(setSizes)
    ->UseRealTime();

// Close and open without a file: rows handed over and back, index sorted.
void reopenInMemory(benchmark::State& state) {
    Table table(definitionOn(recipesTableDefinition(), cookbookOf(state.range(0)).recipes));
    for (auto _ : state) {
        table.close();
        table.open();
    }
    finish(state);
}
BENCHMARK(reopenInMemory)->Name("ReopenInMemory")->Apply(setSizes);

// The active index alone: every title folded and sorted.
void sortTitles(benchmark::State& state) {
    const std::vector<Row>& rows = cookbookOf(state.range(0)).recipes.rows;
    constexpr std::size_t titleField = 2;
    for (auto _ : state) {
        ActiveIndex index;
        index.assign(rows, titleField);
        benchmark::DoNotOptimize(index.at(0));
    }
    finish(state);
}
BENCHMARK(sortTitles)->Name("SortTitles")->Apply(setSizes);

// --- The walk of a tree rebuild ---------------------------------------------

// Every category in name order; its recipes filtered by CategoryID, in title
// order, reading Title and ID.
std::int64_t walkLikeATreeRebuild(Table& categories, Table& recipes) {
    std::int64_t nodes = 0;
    categories.setFiltered(false);
    recipes.setFiltered(false);
    for (categories.first(); !categories.eof(); categories.next()) {
        benchmark::DoNotOptimize(categories.textByName(QStringLiteral("Category")));
        const std::int32_t id = categories.integerByName(QStringLiteral("ID"));
        recipes.setFilter(lookup::recipesOfCategory(id));
        recipes.setFiltered(true);
        for (; !recipes.eof(); recipes.next()) {
            benchmark::DoNotOptimize(recipes.textByName(QStringLiteral("Title")));
            benchmark::DoNotOptimize(recipes.integerByName(QStringLiteral("ID")));
            ++nodes;
        }
        recipes.setFiltered(false);
    }
    return nodes;
}

void treeRebuildWalk(benchmark::State& state) {
    const GeneratedCookbook& cookbook = cookbookOf(state.range(0));
    Table categories(definitionOn(categoriesTableDefinition(), cookbook.categories));
    Table recipes(definitionOn(recipesTableDefinition(), cookbook.recipes));
    for (auto _ : state) {
        // A rebuild reopens the tables, which drops every index built on them.
        state.PauseTiming();
        categories.close();
        categories.open();
        recipes.close();
        recipes.open();
        state.ResumeTiming();
        benchmark::DoNotOptimize(walkLikeATreeRebuild(categories, recipes));
    }
    finish(state);
}
BENCHMARK(treeRebuildWalk)->Name("TreeRebuildWalk")->Apply(setSizes);

// The whole rebuild: both tables closed (unchanged) and reopened from their
// XML files, then walked.
void treeRebuildFromFiles(benchmark::State& state) {
    const GeneratedCookbook& cookbook = cookbookOf(state.range(0));
    QTemporaryDir folder;
    Table categories(definitionOn(categoriesTableDefinition(), cookbook.categories));
    Table recipes(definitionOn(recipesTableDefinition(), cookbook.recipes));
    moveToFile(categories, folder, categoriesFileName);
    moveToFile(recipes, folder, recipesFileName);
    for (auto _ : state) {
        categories.close();
        categories.open();
        recipes.close();
        recipes.open();
        benchmark::DoNotOptimize(walkLikeATreeRebuild(categories, recipes));
    }
    finish(state);
}
BENCHMARK(treeRebuildFromFiles)->Name("TreeRebuildFromFiles")->Apply(setSizes)->UseRealTime();

// --- Lookup ------------------------------------------------------------------

void lookupByTitle(benchmark::State& state) {
    const GeneratedCookbook& cookbook = cookbookOf(state.range(0));
    Table recipes(definitionOn(recipesTableDefinition(), cookbook.recipes));
    std::mt19937 random(3);
    for (auto _ : state) {
        const Row& wanted = cookbook.recipes.rows[random() % cookbook.recipes.rows.size()];
        recipes.setFilter(lookup::recipeByTitle(wanted[2].toQString()));
        recipes.setFiltered(true);
        benchmark::DoNotOptimize(recipes.integerByName(QStringLiteral("ID")));
        recipes.setFiltered(false);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(lookupByTitle)
    ->Name("LookupByTitle")
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
