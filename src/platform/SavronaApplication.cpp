// Catches the errors of handlers, events and start-up steps and shows them in the error
// box.
#include "platform/SavronaApplication.h"

#include "platform/ErrorBoxText.h"
#include "platform/seams/AppInfo.h"
#include "platform/seams/PlatformSeams.h"

#include "data/Error.h"

#include <QMessageBox>
#include <QtDebug>

#include <new>

namespace savrona {

namespace {

QString messageOf(const std::exception& error) {
    if (const auto* savronaError = dynamic_cast<const Error*>(&error))
        return savronaError->message();
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QStringLiteral("There is not enough memory to finish the command");
    return QString::fromLocal8Bit(error.what());
}

} // namespace

SavronaApplication::SavronaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void SavronaApplication::setMessageBoxes(MessageBoxes* messages) {
    m_messages = messages;
}

bool SavronaApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    runReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void SavronaApplication::runReportingErrors(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (auto* application = qobject_cast<SavronaApplication*>(QCoreApplication::instance()))
            application->showError(messageOf(error));
        else
            qCritical().noquote() << applicationTitle << errorBoxText(messageOf(error));
    }
}

bool SavronaApplication::runStartUpStep(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                        errorBoxText(messageOf(error)), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    return false;
}

void SavronaApplication::showError(const QString& message) {
    if (m_messages == nullptr) {
        qCritical().noquote() << applicationTitle << errorBoxText(message);
        return;
    }
    // Showing the box runs a nested message loop: an error raised there is
    // shown the same way, one box after the other.
    m_messages->show(MessageBoxes::Kind::Failure, errorBoxText(message));
}

} // namespace savrona
