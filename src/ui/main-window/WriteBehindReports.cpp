// Failed writes behind, told on the user-interface thread; the wait for the writes at
// exit behind a progress dialog.
#include "ui/main-window/WriteBehindReports.h"

#include "data/engine/Table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QWidget>

#include <memory>

namespace savrona {

WriteBehindReports::WriteBehindReports(QWidget& window, std::vector<Table*> tables,
                                       std::function<void(const QString&)> report)
    : m_window(window), m_tables(std::move(tables)), m_report(std::move(report)) {
    for (Table* table : m_tables) {
        table->setWriteFinishedHandler([this] {
            QMetaObject::invokeMethod(
                this, [this] { reportFailures(); }, Qt::QueuedConnection);
        });
    }
}

WriteBehindReports::~WriteBehindReports() {
    for (Table* table : m_tables)
        table->setWriteFinishedHandler({});
}

void WriteBehindReports::reportFailures() {
    if (!m_window.isVisible())
        return;
    QStringList messages;
    for (Table* table : m_tables) {
        if (const auto failure = table->takeWriteFailure())
            messages.append(failure->message());
    }
    messages.removeDuplicates();
    for (const QString& message : messages)
        tell(message);
}

void WriteBehindReports::tell(const QString& message) {
    if (m_toldForCommand.contains(message))
        return;
    m_toldForCommand.append(message);
    m_report(message);
}

void WriteBehindReports::beginCommand() {
    m_toldForCommand.clear();
}

void waitForWritesShowingProgress(const std::vector<Table*>& tables) {
    using namespace std::chrono_literals;
    constexpr qint64 quietMilliseconds = 500;
    QElapsedTimer waited;
    waited.start();
    std::unique_ptr<QProgressDialog> progress;
    for (const Table* table : tables) {
        while (!table->waitForWrites(50ms)) {
            if (!progress && waited.elapsed() >= quietMilliseconds) {
                progress = std::make_unique<QProgressDialog>(
                    QCoreApplication::translate("savrona", "Saving the cookbook..."), QString(), 0,
                    0);
                progress->setWindowTitle(QStringLiteral("Savrona"));
                progress->setWindowModality(Qt::ApplicationModal);
                progress->setMinimumDuration(0);
                progress->show();
            }
            if (progress)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
}

} // namespace savrona
