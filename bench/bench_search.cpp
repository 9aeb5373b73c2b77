// The recipe search on cookbooks made by the generator behind
// savrona-generate-cookbook (10,000 recipes in 100 categories, 100,000 in
// 1,000), written to data files and opened as the program opens them:
// - BM_BuildIndex: the index built on first use, and its memory against the
//   recipes file (index_per_file) and the process's growth while building;
// - BM_UpdateUnchanged / BM_UpdateOneChanged: the index kept after a rebuild
//   that reopens unchanged tables, and after one recipe was changed;
// - BM_Keystrokes: a set of queries typed letter by letter into the find
//   window of a real main window (offscreen), each keystroke timed from the
//   search box's new text to the results list filled (the search, the list
//   laid out, the rows in view read from the results: "filled") and on to
//   the window painted ("painted"); p50, p95 and the slowest keystroke as
//   counters, in milliseconds;
// - BM_OneQuery: a query finding every recipe against one finding about ten,
//   timed to the list filled (the time column) and painted (a counter).
// Real time is what the user waits for; with other work on the machine the
// CPU time of the benchmark thread is the steadier figure.
#include "BenchSupport.h"
#include "GeneratedCookbookFiles.h"
#include "cookbook/search/RecipeSearch.h"
#include "cookbook/search/SearchQuery.h"
#include "data/engine/Table.h"
#include "data/files/DataFile.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "generator/CookbookGenerator.h"
#include "ui/MainWindowAssembly.h"
#include "ui/find/FindController.h"
#include "ui/find/FindResultsModel.h"
#include "ui/find/FindWindow.h"
#include "ui/main-window/Unit1.h"
#include "ui/tree/CookbookTree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace savrona;

// The two tables opened on a cookbook's files, as the first rebuild opens them.
struct OpenTables {
    explicit OpenTables(const QString& folder) {
        for (auto* table : {&categories, &recipes}) {
            (*table)->close();
            (*table)->setDataDirectory(folder);
        }
        categories->setFileName(categoriesFileName);
        recipes->setFileName(recipesFileName);
        categories->open();
        recipes->open();
    }
    void reopen() {
        for (auto* table : {&categories, &recipes}) {
            (*table)->close();
            (*table)->open();
        }
    }
    std::unique_ptr<Table> categories = std::make_unique<Table>(categoriesTableDefinition());
    std::unique_ptr<Table> recipes = std::make_unique<Table>(recipesTableDefinition());
};

long residentKilobytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

void BM_BuildIndex(benchmark::State& state) {
    CookbookFiles& cookbook = cookbookOf(static_cast<int>(state.range(0)));
    OpenTables tables(cookbook.folder());
    std::size_t indexBytes = 0;
    long residentGrowth = 0;
    std::unique_ptr<RecipeSearch> search;
    for (auto _ : state) {
        state.PauseTiming(); // not the freeing of the last one
        search.reset();
        const long before = residentKilobytes();
        state.ResumeTiming();
        search = std::make_unique<RecipeSearch>();
        search->update(*tables.categories, *tables.recipes);
        residentGrowth = residentKilobytes() - before;
        indexBytes = search->bytes();
    }
    state.counters["index_MB"] = double(indexBytes) / 1e6;
    state.counters["resident_growth_MB"] = double(residentGrowth) / 1e3;
    state.counters["recipes_file_MB"] = double(cookbook.recipesFileBytes) / 1e6;
    state.counters["index_per_file"] = double(indexBytes) / double(cookbook.recipesFileBytes);
}
BENCHMARK(BM_BuildIndex)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UpdateUnchanged(benchmark::State& state) {
    OpenTables tables(cookbookOf(static_cast<int>(state.range(0))).folder());
    RecipeSearch search;
    search.update(*tables.categories, *tables.recipes);
    for (auto _ : state) {
        state.PauseTiming();
        tables.reopen();
        state.ResumeTiming();
        search.update(*tables.categories, *tables.recipes);
    }
    state.counters["records_read"] = double(search.recordsRead());
}
BENCHMARK(BM_UpdateUnchanged)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UpdateOneChanged(benchmark::State& state) {
    OpenTables tables(cookbookOf(static_cast<int>(state.range(0))).folder());
    RecipeSearch search;
    search.update(*tables.categories, *tables.recipes);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Table& recipes = *tables.recipes;
        recipes.first();
        recipes.edit();
        recipes.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                           FieldInput::leaveAlone(),
                           QStringLiteral("Changed ingredients %1").arg(++round)});
        recipes.post();
        state.ResumeTiming();
        search.update(*tables.categories, *tables.recipes);
    }
    state.counters["records_read"] = double(search.recordsRead());
}
BENCHMARK(BM_UpdateOneChanged)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// A real main window on a cookbook and its find window.
class FindWindowUnderTest {
public:
    explicit FindWindowUnderTest(CookbookFiles& cookbook)
        : m_window(savrona::createMainWindow(m_seams.platform(), cookbook.folder())) {
        m_window->show();
        while (m_window->cookbookTree().nodeCount() <= 1 || m_window->isRebuilding())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_controller = m_window->findChild<FindController*>();
        m_controller->openFindWindow();
        m_find = m_controller->findWindow();
        QCoreApplication::processEvents();
    }

    struct Keystroke {
        double filled;  // milliseconds to the visible rows read from the results
        double painted; // ... and on to the window painted
    };

    // From the new text to the results list filled, and to the window painted.
    Keystroke type(const QString& text) {
        QElapsedTimer timer;
        timer.start();
        m_find->searchBox->setText(text);
        readVisibleRows();
        const double filled = double(timer.nsecsElapsed()) / 1e6;
        // Layouts and painting the views put off to the event loop.
        QCoreApplication::processEvents();
        return {filled, double(timer.nsecsElapsed()) / 1e6};
    }
    int shownResults() const { return m_find->resultsList->model()->rowCount(); }

private:
    // What painting the list asks of the results: the texts of the rows in view.
    void readVisibleRows() {
        const QTableView* list = m_find->resultsList;
        const int first = list->rowAt(0);
        int last = list->rowAt(list->viewport()->height() - 1);
        if (last < 0)
            last = list->model()->rowCount() - 1;
        for (int row = std::max(first, 0); row <= last; ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            benchmark::DoNotOptimize(index.data(Qt::DisplayRole));
            benchmark::DoNotOptimize(index.data(FindResultsModel::CategoryRole));
        }
    }

public:
private:
    BenchSeams m_seams;
    std::unique_ptr<TformMain> m_window;
    FindController* m_controller = nullptr;
    FindWindow* m_find = nullptr;
};

// Kept across the benchmarks of one size; closed before the application object goes.
std::map<int, std::unique_ptr<FindWindowUnderTest>>& findWindows() {
    static std::map<int, std::unique_ptr<FindWindowUnderTest>> made;
    return made;
}

FindWindowUnderTest& findWindowOf(int recipeCount) {
    auto& window = findWindows()[recipeCount];
    if (!window)
        window = std::make_unique<FindWindowUnderTest>(cookbookOf(recipeCount));
    return *window;
}

// Words of the generated recipes: titles of an adjective, a dish and a
// number, categories "<adjective> dishes <number>", ingredient lines of a
// quantity and an ingredient, preparation lines from a few steps.
const char* const typedQueries[] = {
    "tomatoes garlic",       "creme pie",         "\"olive oil\" -butter",
    "golden chicken 1234",   "eclair-style tart", "slow-cooked ragout",
    "\"bake until golden\"", "zesty no 4711",     "lemon zest parsley",
    "grandma's stew",        "jalapeno",          "spicy curry -milk",
    "\"oven to 180\"",       "smoky dishes 42",   "sweet muffins celery thyme",
};

double percentile(std::vector<double> values, double part) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(part * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void BM_Keystrokes(benchmark::State& state) {
    FindWindowUnderTest& find = findWindowOf(static_cast<int>(state.range(0)));
    find.type(QStringLiteral("warm")); // builds the index: first use, not a keystroke
    std::vector<double> filled;
    std::vector<double> painted;
    for (auto _ : state) {
        for (const char* query : typedQueries) {
            const QString text = QString::fromUtf8(query);
            for (qsizetype length = 1; length <= text.size(); ++length) {
                const auto keystroke = find.type(text.left(length));
                filled.push_back(keystroke.filled);
                painted.push_back(keystroke.painted);
            }
            find.type(QString());
        }
    }
    state.counters["keystrokes"] = double(filled.size());
    state.counters["filled_p50_ms"] = percentile(filled, 0.50);
    state.counters["filled_p95_ms"] = percentile(filled, 0.95);
    state.counters["filled_max_ms"] = percentile(filled, 1.0);
    state.counters["painted_p50_ms"] = percentile(painted, 0.50);
    state.counters["painted_p95_ms"] = percentile(painted, 0.95);
    state.counters["painted_max_ms"] = percentile(painted, 1.0);
}
BENCHMARK(BM_Keystrokes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// "dishes" is in every category's name; a number of four digits starts the
// numbers of about ten titles at 100,000 recipes, three digits at 10,000.
void BM_OneQuery(benchmark::State& state) {
    const int recipes = static_cast<int>(state.range(0));
    const bool everyRecipe = state.range(1) != 0;
    FindWindowUnderTest& find = findWindowOf(recipes);
    const QString query = everyRecipe         ? QStringLiteral("dishes")
                          : recipes >= 100000 ? QStringLiteral("4711")
                                              : QStringLiteral("471");
    find.type(query);
    std::vector<double> painted;
    for (auto _ : state) {
        find.type(QString());
        const auto keystroke = find.type(query);
        state.SetIterationTime(keystroke.filled / 1e3);
        painted.push_back(keystroke.painted);
    }
    state.counters["results"] = find.shownResults();
    state.counters["painted_p50_ms"] = percentile(painted, 0.50);
}
BENCHMARK(BM_OneQuery)
    ->Args({10000, 1})
    ->Args({10000, 0})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    findWindows().clear();
    return 0;
}
