#pragma once

// Telling the user of a data file that could not be written behind a command, and
// waiting for the writes at exit.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace savrona {

class Table;

// Reports each failed write behind of the tables (WriteError's message, in
// the error box) on the user-interface thread once the write has ended,
// while the window is shown; at exit, the last close tells what is left.
// One cause can fail both tables' writes alike (their folder gone): a
// message is told once for the writes of one command, however and whenever
// their failures arrive. Must be destroyed before the tables.
class WriteBehindReports : public QObject {
public:
    WriteBehindReports(QWidget& window, std::vector<Table*> tables,
                       std::function<void(const QString&)> report);
    ~WriteBehindReports() override;

    void reportFailures();
    // Reports a write's failure, unless the same message was told since the
    // current command began.
    void tell(const QString& message);
    // Called as a command hands its writes over: what they tell is new.
    void beginCommand();

private:
    QWidget& m_window;
    std::vector<Table*> m_tables;
    std::function<void(const QString&)> m_report;
    QStringList m_toldForCommand;
};

// Waits until the tables' writes in flight and waiting have ended, showing a
// progress dialog once that has taken half a second.
void waitForWritesShowingProgress(const std::vector<Table*>& tables);

} // namespace savrona
