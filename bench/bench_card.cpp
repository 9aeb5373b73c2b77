// The recipe card on a real main window (offscreen) over a generated cookbook: opening a
// card, with and without a picture, until it is painted; and rescaling its servings.
#include "BenchSupport.h"
#include "GeneratedCookbookFiles.h"
#include "data/engine/Lookups.h"
#include "data/engine/Table.h"
#include "ui/MainWindowAssembly.h"
#include "ui/card/CardController.h"
#include "ui/card/CardWindow.h"
#include "ui/main-window/Unit1.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

using namespace savrona;

struct CardBench {
    explicit CardBench(int recipes) : files(cookbookOf(recipes)) {
        window = createMainWindow(seams.platform(), files.folder());
        window->show();
        QApplication::processEvents();
        while (window->isRebuilding() || window->NextRecipeID == 0)
            QApplication::processEvents();
        cards = window->findChild<CardController*>();
        Table& table = window->recipes();
        table.setFiltered(false);
        table.first();
        title = table.textByName(QStringLiteral("Title"));
    }

    // The recipe's Picture names a photo-sized picture in the Pictures folder, or nothing.
    void setPicture(bool withPicture) {
        const QString name = withPicture ? QStringLiteral("bench.jpg") : QString();
        if (withPicture) {
            QDir(files.folder()).mkpath(QStringLiteral("Pictures"));
            QImage photo(1600, 1200, QImage::Format_RGB32);
            photo.fill(QColor(190, 120, 60));
            photo.save(QDir(files.folder()).filePath(QStringLiteral("Pictures/bench.jpg")));
        }
        Table& table = window->recipes();
        table.setFilter(lookup::recipeByTitle(title));
        table.setFiltered(true);
        table.edit();
        table.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                         FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                         FieldInput::leaveAlone(), FieldInput::leaveAlone(),
                         FieldInput::leaveAlone(), withPicture ? FieldInput(name) : nullptr});
        table.post();
        table.setFiltered(false);
    }

    CardWindow* open() {
        CardWindow* card = cards->openCardTitled(title);
        card->repaint();
        QApplication::processEvents();
        return card;
    }

    BenchSeams seams;
    CookbookFiles& files;
    std::unique_ptr<TformMain> window;
    CardController* cards = nullptr;
    QString title;
};

CardBench& benchOf(int recipes) {
    static std::map<int, std::unique_ptr<CardBench>> made;
    auto& bench = made[recipes];
    if (!bench)
        bench = std::make_unique<CardBench>(recipes);
    return *bench;
}

void BM_OpenCard(benchmark::State& state) {
    CardBench& bench = benchOf(static_cast<int>(state.range(0)));
    bench.setPicture(state.range(1) != 0);
    for (auto _ : state) {
        CardWindow* card = bench.open();
        state.PauseTiming();
        card->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenCard)
    ->ArgNames({"recipes", "picture"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void BM_Rescale(benchmark::State& state) {
    CardBench& bench = benchOf(static_cast<int>(state.range(0)));
    bench.setPicture(false);
    CardWindow* card = bench.open();
    double factor = 1;
    for (auto _ : state) {
        factor = factor == 1 ? 2 : 1;
        card->setFactor(factor);
        card->repaint();
    }
    card->close();
    QApplication::processEvents();
}
BENCHMARK(BM_Rescale)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
