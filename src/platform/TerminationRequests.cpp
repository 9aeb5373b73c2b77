// The self-pipe behind TerminationRequests: the signal handler writes a byte, the
// event loop reads it and asks for the close.
#include "platform/TerminationRequests.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace savrona {

namespace {

constexpr int closingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The one thing a signal handler can reach: the pipe's write end, -1 while no
// TerminationRequests exists.
std::atomic<int> pipeWriteEnd{-1};

struct sigaction earlierActions[std::size(closingSignals) + 1];

extern "C" void onClosingSignal(int signalNumber) {
    const int savedErrno = errno;
    const int descriptor = pipeWriteEnd.load();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (descriptor >= 0) [[maybe_unused]]
        const ssize_t written = ::write(descriptor, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationRequests::TerminationRequests(QObject* parent) : QObject(parent) {
    if (::pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC) == 0) {
        m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &TerminationRequests::readPipe);
        pipeWriteEnd.store(m_pipe[1]);
        struct sigaction action {};
        action.sa_handler = onClosingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t index = 0; index < std::size(closingSignals); ++index)
            ::sigaction(closingSignals[index], &action, &earlierActions[index]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, &earlierActions[std::size(closingSignals)]);
#if QT_CONFIG(sessionmanager)
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this,
                &TerminationRequests::request);
#endif
}

TerminationRequests::~TerminationRequests() {
    ::sigaction(SIGXFSZ, &earlierActions[std::size(closingSignals)], nullptr);
    if (m_pipe[0] < 0)
        return;
    for (std::size_t index = 0; index < std::size(closingSignals); ++index)
        ::sigaction(closingSignals[index], &earlierActions[index], nullptr);
    pipeWriteEnd.store(-1);
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void TerminationRequests::readPipe() {
    unsigned char bytes[64];
    bool any = false;
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0)
        any = true;
    if (any)
        request();
}

void TerminationRequests::request() {
    ++m_count;
    emit requested();
}

void TerminationRequests::closeWindows(QWidget& mainWindow) {
    // A dialog or box runs a loop of its own inside a command: closed, it
    // returns to the command, which ends before the main window closes.
    for (int open = 0; open < 16; ++open) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->close())
            break;
    }
    QMetaObject::invokeMethod(
        &mainWindow,
        [window = QPointer<QWidget>(&mainWindow)] {
            if (window && window->isVisible())
                window->close();
        },
        Qt::QueuedConnection);
}

} // namespace savrona
