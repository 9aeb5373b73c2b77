// Runs the import readers on a worker thread and shows their progress when they are slow.
#include "ui/exchange/ImportReading.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace savrona {

namespace {

constexpr int progressSteps = 1000;
constexpr int refreshMilliseconds = 50;

int stepsDone(const ImportProgress& progress) {
    const qint64 total = progress.total();
    if (total <= 0)
        return 0;
    return static_cast<int>(std::min<qint64>(progress.done(), total) * progressSteps / total);
}

} // namespace

std::optional<RecipeBatch> ImportReading::read(QWidget* parent, const QStringList& files) {
    ImportProgress progress;
    std::optional<RecipeBatch> batch;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            batch = RecipeFileReader::read(files, progress);
        } catch (const ImportCancelled&) {
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // Quiet at first: input waits (it is not lost) while most imports end.
    QTimer::singleShot(quietMilliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        QProgressDialog dialog(QStringLiteral("Reading recipes..."), QStringLiteral("Cancel"), 0,
                               progressSteps, parent);
        dialog.setWindowTitle(QStringLiteral("Import recipes"));
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(0);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
            progress.cancel();
            dialog.setLabelText(QStringLiteral("Cancelling..."));
        });
        QTimer refresh;
        QObject::connect(&refresh, &QTimer::timeout, &dialog,
                         [&] { dialog.setValue(stepsDone(progress)); });
        refresh.start(refreshMilliseconds);
        dialog.show();
        while (!finished)
            loop.exec();
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    if (progress.isCancelled())
        return std::nullopt;
    return batch;
}

} // namespace savrona
