// Runs the import readers on a worker thread and shows their progress when they are slow.
#include "ui/exchange/ImportReading.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeFileReader.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
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

// The progress of a reading. Once cancelled it stays up, saying so and with
// its button off, until the reading has stopped: the window behind it takes
// no input before then. Closing it or Esc cancels as its button does.
class ReadingProgressDialog : public QProgressDialog {
public:
    ReadingProgressDialog(QWidget* parent, ImportProgress& progress)
        : QProgressDialog(QStringLiteral("Reading recipes..."), QStringLiteral("Cancel"), 0,
                          progressSteps, parent) {
        setWindowTitle(QStringLiteral("Import recipes"));
        setWindowModality(Qt::ApplicationModal);
        setMinimumDuration(0);
        setAutoClose(false);
        setAutoReset(false);
        // Qt's own answer to Cancel hides the dialog at once.
        disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
        connect(this, &QProgressDialog::canceled, this, [this, &progress] {
            progress.cancel();
            setLabelText(QStringLiteral("Cancelling..."));
            if (auto* button = findChild<QPushButton*>())
                button->setEnabled(false);
        });
    }

    void reject() override { emit canceled(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        emit canceled();
    }
};

} // namespace

std::optional<RecipeBatch> ImportReading::read(QWidget* parent, const QStringList& files) {
    return read(parent, [&files](ImportProgress& progress) {
        return RecipeFileReader::read(files, progress);
    });
}

std::optional<RecipeBatch> ImportReading::read(QWidget* parent, const Reading& reading) {
    ImportProgress progress;
    std::optional<RecipeBatch> batch;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            batch = reading(progress);
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
        ReadingProgressDialog dialog(parent, progress);
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
