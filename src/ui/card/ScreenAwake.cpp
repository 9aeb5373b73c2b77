// The screen-saver inhibition over D-Bus.
#include "ui/card/ScreenAwake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace savrona {

namespace {

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");

QDBusMessage screenSaverCall(const QString& method) {
    return QDBusMessage::createMethodCall(service, path, service, method);
}

} // namespace

DBusScreenAwake::DBusScreenAwake() = default;

DBusScreenAwake::~DBusScreenAwake() {
    if (m_cookie)
        unInhibit(*m_cookie);
}

void DBusScreenAwake::hold(const QString& reason) {
    m_wanted = true;
    if (m_cookie || m_pending)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    const QString application = QCoreApplication::applicationName().isEmpty()
                                    ? QStringLiteral("Savrona")
                                    : QCoreApplication::applicationName();
    call << application << reason;
    m_pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_pending = false;
                const QDBusPendingReply<std::uint32_t> reply = *finished;
                if (!reply.isError())
                    takeCookie(reply.value());
            });
}

// A release asked while the Inhibit was under way gives the cookie straight back.
void DBusScreenAwake::takeCookie(std::uint32_t cookie) {
    if (m_wanted)
        m_cookie = cookie;
    else
        unInhibit(cookie);
}

void DBusScreenAwake::release() {
    m_wanted = false;
    if (!m_cookie)
        return;
    unInhibit(*m_cookie);
    m_cookie.reset();
}

void DBusScreenAwake::unInhibit(std::uint32_t cookie) {
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << cookie;
    QDBusConnection::sessionBus().asyncCall(call);
}

} // namespace savrona
