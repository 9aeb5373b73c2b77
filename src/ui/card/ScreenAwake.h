#pragma once

// Keeping the screen on while the cook reads a card: the desktop's screen-saver
// inhibition, behind an interface so that tests stand in for the desktop.

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace savrona {

class ScreenAwake {
public:
    virtual ~ScreenAwake() = default;
    // Asks the desktop not to blank the screen, giving the reason; a second call while
    // held asks nothing more.
    virtual void hold(const QString& reason) = 0;
    // Lets the screen blank again; nothing when not held.
    virtual void release() = 0;
};

// org.freedesktop.ScreenSaver on the session bus: Inhibit and UnInhibit with the cookie
// it answered. Calls are asynchronous so that a slow bus never holds the card; a desktop
// without the service, or no bus at all, leaves the screen as it is without a word.
class DBusScreenAwake : public QObject, public ScreenAwake {
    Q_OBJECT
public:
    DBusScreenAwake();
    ~DBusScreenAwake() override;

    void hold(const QString& reason) override;
    void release() override;

private:
    void takeCookie(std::uint32_t cookie);
    void unInhibit(std::uint32_t cookie);

    bool m_wanted = false;  // held, as the card last asked
    bool m_pending = false; // an Inhibit sent, its cookie not yet back
    std::optional<std::uint32_t> m_cookie;
};

} // namespace savrona
