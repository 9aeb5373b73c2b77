// A recipe's PDF in memory, from the text to the last byte: a recipe of one
// page, and one of many lines over several pages.
#include "ui/print/RecipePrintout.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace savrona;

ExportedRecipe recipeOf(int ingredientLines, int preparationParagraphs) {
    QStringList ingredients;
    for (int line = 1; line <= ingredientLines; ++line)
        ingredients.append(QStringLiteral("%1 cups of something good, chopped").arg(line));
    const QString paragraph =
        QStringLiteral("Stir the onions slowly over a low flame until golden and sweet. ")
            .repeated(6);
    QStringList preparation;
    for (int step = 1; step <= preparationParagraphs; ++step)
        preparation.append(QString::number(step) + QStringLiteral(". ") + paragraph);
    return {QStringLiteral("Soups"), QStringLiteral("Onion soup"),
            ingredients.join(QLatin1Char('\n')), preparation.join(QLatin1Char('\n'))};
}

void RecipePdf(benchmark::State& state) {
    const ExportedRecipe recipe =
        recipeOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QPageLayout layout = pdfPageLayout();
    qsizetype bytes = 0;
    for (auto _ : state) {
        bytes = recipePdf(recipe, layout).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}

} // namespace

BENCHMARK(RecipePdf)->Args({8, 6})->Args({200, 40})->Unit(benchmark::kMillisecond);

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
