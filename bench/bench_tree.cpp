// The whole tree rebuild (close both tables, reopen them from their files,
// build every node, the next IDs and the totals), and start-up to a painted
// window, under the offscreen platform.
#include "BenchSupport.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"
#include "ui/MainWindowAssembly.h"
#include "ui/main-window/Unit1.h"
#include "ui/tree/CookbookTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>

namespace {

using namespace savrona;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

// A generated cookbook written as the two data files of a scratch folder.
class CookbookFolder {
public:
    CookbookFolder(int recipes, int categories) {
        const GeneratedCookbook cookbook = generateCookbook(recipes, categories);
        writeFile(QDir(m_folder.path()).filePath(categoriesFileName),
                  writeXmlPacket(cookbook.categories));
        writeFile(QDir(m_folder.path()).filePath(recipesFileName),
                  writeXmlPacket(cookbook.recipes));
    }
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

void RefreshCookbookTree(benchmark::State& state) {
    const auto recipes = static_cast<int>(state.range(0));
    const auto categories = static_cast<int>(state.range(1));
    const CookbookFolder folder(recipes, categories);
    BenchSeams seams;
    const auto window = savrona::createMainWindow(seams.platform(), folder.path());
    window->show();
    QCoreApplication::processEvents(); // the first activation's rebuild
    for (auto _ : state)
        window->RefreshCookbookTree();
    state.counters["nodes"] = window->cookbookTree().nodeCount();
    state.SetItemsProcessed(state.iterations() * recipes);
}

void StartUpToPaintedWindow(benchmark::State& state) {
    const CookbookFolder folder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    BenchSeams seams;
    for (auto _ : state) {
        auto window = savrona::createMainWindow(seams.platform(), folder.path());
        window->show();
        QCoreApplication::processEvents(); // activation: the tree is built
        benchmark::DoNotOptimize(window->grab());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(RefreshCookbookTree)
    ->Args({1'000, 10})
    ->Args({10'000, 100})
    ->Args({100'000, 1'000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StartUpToPaintedWindow)->Args({10'000, 100})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
