#pragma once

// Turns a request from outside to end the program (a signal, the end of the desktop
// session) into the normal close of its windows.

#include "platform/seams/EndRequests.h"

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace savrona {

// While it exists, SIGTERM, SIGHUP and SIGINT and the end of the desktop
// session emit requested() from the event loop, so that the main window is
// closed the normal way (the exit's writes, the stored placement) instead of
// the process ending on the spot. The signal handler only writes a byte to a
// pipe, which a socket notifier reads in the event loop.
//
// It counts the requests too, so that the exit's question, which is still
// shown when a request closes it, can tell that nobody is there to answer.
//
// It also ignores SIGXFSZ, so that a file size limit makes a write fail and be
// reported, as a full disk does, instead of killing the program.
class TerminationRequests : public QObject, public EndRequests {
    Q_OBJECT
public:
    explicit TerminationRequests(QObject* parent = nullptr);
    // Gives the signals back to their earlier handlers.
    ~TerminationRequests() override;

    // Closes the open dialogs and boxes (answered as if cancelled), then the
    // main window, once the commands they were opened from have returned.
    static void closeWindows(QWidget& mainWindow);

    int count() const override { return m_count; }

signals:
    void requested();

private:
    void readPipe();
    void request();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    int m_count = 0;
};

} // namespace savrona
