// A category's booklet as a PDF in memory, from the recipes to the last byte, in both
// layouts; the PDF's size as a counter.
#include "ui/print/BookletPrintout.h"
#include "ui/print/PagedOutput.h"
#include "ui/print/RecipePrintout.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace savrona;

BookletContent categoryOf(int recipes) {
    BookletChapter chapter{QStringLiteral("Soups"), {}};
    const QString step =
        QStringLiteral("Stir the onions slowly over a low flame until golden and sweet. ");
    for (int number = 1; number <= recipes; ++number) {
        QStringList ingredients;
        for (int line = 0; line < 4 + number % 9; ++line)
            ingredients.append(QStringLiteral("%1 cups of something good, chopped").arg(line + 1));
        QStringList preparation;
        for (int paragraph = 0; paragraph < 2 + number % 5; ++paragraph)
            preparation.append(step.repeated(2 + paragraph % 3));
        chapter.recipes.push_back({QStringLiteral("Soup number %1").arg(number),
                                   ingredients.join(QLatin1Char('\n')),
                                   preparation.join(QLatin1Char('\n')), QString()});
    }
    return {QStringLiteral("Soups"), {chapter}};
}

void CategoryBookletPdf(benchmark::State& state) {
    const BookletContent content = categoryOf(static_cast<int>(state.range(0)));
    const auto layout = state.range(1) == 0 ? BookletLayout::RecipePerPage : BookletLayout::RunOn;
    qsizetype bytes = 0;
    int pages = 0;
    for (auto _ : state) {
        BookletPrintout booklet(content, layout);
        bytes = pdfOf(QStringLiteral("Soups"), pdfPageLayout(), [&](QPagedPaintDevice& device) {
                    booklet.print(device);
                }).size();
        pages = booklet.pageCount();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
    state.counters["pages"] = pages;
}

} // namespace

BENCHMARK(CategoryBookletPdf)
    ->ArgNames({"recipes", "runOn"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
