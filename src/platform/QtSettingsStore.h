#pragma once

// The real SettingsStore, so that the window placement is kept from one run to the next.

#include "platform/seams/PlatformSeams.h"

#include <QSettings>

namespace savrona {

// The window placement kept in the user's settings as
// QSettings("Keltrim", "Savrona"): on Linux ~/.config/Keltrim/Savrona.conf.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();

    std::optional<QVariant> value(const QString& name) override;
    // Written through at once, so that a store that cannot be written is
    // reported for the value that failed.
    bool setValue(const QString& name, const QString& text) override;

private:
    QSettings m_settings;
};

} // namespace savrona
