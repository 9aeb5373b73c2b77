// The collection import at 1,000, 10,000 and 100,000 MealMaster recipes: reading the
// file (and a JSON file of as many), and the whole import into a real main window (reading,
// planning, adding, and the one write and rebuild of the tree); and the export of such a cookbook.
//
// bench_import [benchmark options]: the timings, by Google Benchmark.
// bench_import --peak-memory <recipes>: one import of that many recipes into a
// fresh cookbook in a process of its own; prints the memory after the import,
// the peak during it and their ratio.
// bench_import --peak-memory-of <file>: the same for a file of any kind, with
// the peak after the reading alone.
// bench_import --write-json <recipes> <file>: writes that many generated
// recipes as a JSON file, to measure with --peak-memory-of (written by a
// process of its own, so that generating does not count).
//
// The MealMaster files are made from the cookbook generator's recipes (about
// 1 KB of text each, lines and characters beyond ASCII included) by our own
// writer, and read back by the reader under test.
#include "BenchSupport.h"
#include "cookbook/exchange/CollectionExport.h"
#include "cookbook/exchange/ImportPlan.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"
#include "cookbook/exchange/formats/json/RecipeJsonWriter.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterWriter.h"
#include "generator/CookbookGenerator.h"
#include "ui/MainWindowAssembly.h"
#include "ui/main-window/Unit1.h"
#include "ui/tree/CookbookTree.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using namespace savrona;

namespace {

// Hands each of that many generated recipes, in 1 % as many categories, to write.
template <typename Write> void forEachGeneratedRecipe(int recipeCount, Write write) {
    const GeneratedCookbook cookbook =
        generateCookbook(recipeCount, std::max(recipeCount / 100, 1));
    std::map<std::int32_t, QByteArray> categoryNames;
    for (const Row& row : cookbook.categories.rows)
        categoryNames[row[0].integer()] = row[2].utf8();
    std::vector<RecipeEntry> recipes(1);
    for (const Row& row : cookbook.recipes.rows) {
        RecipeEntry& recipe = recipes.front();
        recipe.title = row[2].utf8();
        recipe.categories = {categoryNames[row[1].integer()]};
        recipe.ingredients = row[3].utf8();
        recipe.preparation = row[4].utf8();
        write(recipes);
    }
}

// A MealMaster file of that many generated recipes.
class MealMasterFile {
public:
    explicit MealMasterFile(int recipeCount) {
        QFile file(path());
        if (!file.open(QIODevice::WriteOnly))
            qFatal("Cannot write %s", qPrintable(path()));
        forEachGeneratedRecipe(recipeCount, [&](const std::vector<RecipeEntry>& recipes) {
            MealMasterWriter::write(file, recipes);
        });
        m_megabytes = double(file.size()) / (1024.0 * 1024.0);
    }

    QString path() const { return m_folder.filePath(QStringLiteral("recipes.mmf")); }
    double megabytes() const { return m_megabytes; }

private:
    QTemporaryDir m_folder;
    double m_megabytes = 0;
};

// A JSON file of that many generated recipes, as the export writes it.
class RecipeJsonFile {
public:
    explicit RecipeJsonFile(int recipeCount) {
        QFile file(path());
        if (!file.open(QIODevice::WriteOnly))
            qFatal("Cannot write %s", qPrintable(path()));
        std::vector<RecipeEntry> all;
        forEachGeneratedRecipe(recipeCount, [&](const std::vector<RecipeEntry>& recipes) {
            all.push_back(recipes.front());
        });
        RecipeJsonWriter::write(file, all);
        m_megabytes = double(file.size()) / (1024.0 * 1024.0);
    }

    QString path() const { return m_folder.filePath(QStringLiteral("recipes.json")); }
    double megabytes() const { return m_megabytes; }

private:
    QTemporaryDir m_folder;
    double m_megabytes = 0;
};

const MealMasterFile& fileOf(std::int64_t recipes) {
    static std::map<std::int64_t, std::unique_ptr<MealMasterFile>> files;
    auto& file = files[recipes];
    if (!file)
        file = std::make_unique<MealMasterFile>(static_cast<int>(recipes));
    return *file;
}

// A main window on a fresh folder, showing the initial cookbook.
class FreshCookbook {
public:
    FreshCookbook() : m_window(savrona::createMainWindow(m_seams.platform(), m_folder.path())) {
        m_window->show();
        while (m_window->cookbookTree().nodeCount() <= 1 || m_window->isRebuilding())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    TformMain& window() { return *m_window; }

private:
    QTemporaryDir m_folder;
    BenchSeams m_seams;
    std::unique_ptr<TformMain> m_window;
};

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// What the Import command does once the user has chosen the files and
// confirmed the summary; the peak memory after the reading, when asked.
void importInto(TformMain& window, const QString& path, double* peakAfterReading = nullptr) {
    ImportProgress progress;
    RecipeBatch batch = RecipeFileReader::read({path}, progress);
    if (peakAfterReading != nullptr) {
        *peakAfterReading = peakMegabytes();
        std::printf("recipes read: %zu, problems: %zu\n", batch.recipes.size(),
                    batch.problems.size());
        for (const ImportProblem& problem : batch.problems)
            std::printf("  %s\n", qPrintable(problem.message));
    }
    ImportPlan plan = planImport(window.categories(), window.recipes(), std::move(batch));
    addImport(std::move(plan), window.categories(), window.recipes(), window.NextCategoryID,
              window.NextRecipeID);
    window.RefreshAndReturnToRoot();
}

void ReadMealMaster(benchmark::State& state) {
    const MealMasterFile& file = fileOf(state.range(0));
    for (auto _ : state) {
        ImportProgress progress;
        benchmark::DoNotOptimize(RecipeFileReader::read({file.path()}, progress));
    }
    state.counters["MB"] = file.megabytes();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A JSON file of small recipes, as the export writes them (100,000 of them
// would be larger than an import reads).
void ReadRecipeJson(benchmark::State& state) {
    static std::map<std::int64_t, std::unique_ptr<RecipeJsonFile>> files;
    auto& file = files[state.range(0)];
    if (!file)
        file = std::make_unique<RecipeJsonFile>(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ImportProgress progress;
        benchmark::DoNotOptimize(RecipeFileReader::read({file->path()}, progress));
    }
    state.counters["MB"] = file->megabytes();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ImportMealMaster(benchmark::State& state) {
    const MealMasterFile& file = fileOf(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto cookbook = std::make_unique<FreshCookbook>();
        state.ResumeTiming();
        importInto(cookbook->window(), file.path());
        state.PauseTiming();
        state.counters["recipes after"] = cookbook->window().dataSetRecipes->recordCount();
        cookbook.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void exportAs(benchmark::State& state, CollectionFormat format, const QString& fileName) {
    const MealMasterFile& file = fileOf(state.range(0));
    FreshCookbook cookbook;
    importInto(cookbook.window(), file.path());
    QTemporaryDir folder;
    for (auto _ : state) {
        TformMain& window = cookbook.window();
        exportCollection(folder.filePath(fileName), format,
                         recipesForExport(window.categories(), window.recipes()),
                         *window.dataSetRecipes->dataFolder());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ExportMealMaster(benchmark::State& state) {
    exportAs(state, CollectionFormat::MealMaster, QStringLiteral("out.mmf"));
}

void ExportRecipeJson(benchmark::State& state) {
    exportAs(state, CollectionFormat::RecipeJson, QStringLiteral("out.json"));
}

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong()) * double(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

int measurePeakMemory(int recipes) {
    const MealMasterFile file(recipes);
    FreshCookbook cookbook;
    const double before = residentMegabytes();
    importInto(cookbook.window(), file.path());
    const double after = residentMegabytes();
    const double peak = peakMegabytes();
    std::printf("recipes imported: %d (file %.1f MB)\n", recipes, file.megabytes());
    std::printf("memory before the import: %.1f MB\n", before);
    std::printf("memory after the import: %.1f MB\n", after);
    std::printf("peak during the import: %.1f MB\n", peak);
    std::printf("peak / after: %.2f\n", peak / after);
    std::printf("status bar: %s\n", qPrintable(cookbook.window().statusPanel->text()));
    return 0;
}

int measurePeakMemoryOf(const QString& path) {
    FreshCookbook cookbook;
    const double before = residentMegabytes();
    double peakAfterReading = 0;
    importInto(cookbook.window(), path, &peakAfterReading);
    std::printf("file: %.1f MB\n", double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    std::printf("memory before the import: %.1f MB\n", before);
    std::printf("peak after the reading: %.1f MB\n", peakAfterReading);
    std::printf("memory after the import: %.1f MB\n", residentMegabytes());
    std::printf("peak during the import: %.1f MB\n", peakMegabytes());
    std::printf("status bar: %s\n", qPrintable(cookbook.window().statusPanel->text()));
    return 0;
}

int writeJson(int recipeCount, const QString& path) {
    const RecipeJsonFile file(recipeCount);
    QFile::remove(path);
    return QFile::copy(file.path(), path) ? 0 : 1;
}

} // namespace

BENCHMARK(ReadMealMaster)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRecipeJson)->Arg(1'000)->Arg(10'000)->Arg(50'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportMealMaster)
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(ExportMealMaster)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportRecipeJson)->Arg(100'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--peak-memory") == 0)
        return measurePeakMemory(QByteArray(argv[2]).toInt());
    if (argc == 3 && qstrcmp(argv[1], "--peak-memory-of") == 0)
        return measurePeakMemoryOf(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && qstrcmp(argv[1], "--write-json") == 0)
        return writeJson(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
