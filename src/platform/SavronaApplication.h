#pragma once

// Savrona's QApplication: where an uncaught error is shown to the user instead of ending
// the program.

#include <QApplication>

#include <functional>

namespace savrona {

class MessageBoxes;

// The application object and the one place where errors are caught: an error
// that ends an event handler, a slot or a command is shown in the
// application's error box (the application title as caption, the stop icon,
// OK), and the application keeps running.
//
// Qt's own frames are not exception-safe: an error unwinding through a signal
// emission or an event delivery would skip their clean-up. So the main window
// runs its handlers through runReportingErrors(), and notify() uses the same
// function for whatever else reaches it.
class SavronaApplication : public QApplication {
    Q_OBJECT
public:
    SavronaApplication(int& argc, char** argv);

    // Where the error box is shown; without one, errors go to the log.
    void setMessageBoxes(MessageBoxes* messages);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs a handler; an error it ends with is shown in the error box of the
    // running SavronaApplication (or logged when there is none).
    static void runReportingErrors(const std::function<void()>& handler);

    // Runs a start-up step outside the message loop. An error is shown in a
    // box captioned "Application Error" and false returned, so that the
    // program can end with exit code 1.
    bool runStartUpStep(const std::function<void()>& step);

private:
    void showError(const QString& message);
    MessageBoxes* m_messages = nullptr;
};

} // namespace savrona
