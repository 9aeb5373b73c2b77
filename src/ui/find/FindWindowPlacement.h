#pragma once

// Keeps the find window's position and size from one showing and one run to the next.

#include <QList>
#include <QRect>

#include <optional>

namespace savrona {

class SettingsStore;

// Four decimal values beside the main window's placement: FindLeft, FindTop,
// FindWidth and FindHeight. Unlike the main window's, they are a convenience:
// a value missing, unreadable or off every screen gives the default placement
// and no message, and a value that cannot be written is left as it was.
class FindWindowPlacement {
public:
    explicit FindWindowPlacement(SettingsStore& store);

    std::optional<QRect> restore(const QList<QRect>& screens);
    void store(const QRect& bounds);

private:
    SettingsStore& m_store;
};

} // namespace savrona
