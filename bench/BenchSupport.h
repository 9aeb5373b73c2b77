#pragma once

#include "platform/seams/PlatformSeams.h"

#include <QString>
#include <QVariant>

#include <map>
#include <optional>

namespace savrona {

// A placement store in memory, so a benchmark never touches the user's settings.
class MemorySettings : public SettingsStore {
public:
    std::optional<QVariant> value(const QString& name) override {
        const auto found = m_values.find(name);
        return found == m_values.end() ? std::nullopt : std::optional<QVariant>(found->second);
    }
    bool setValue(const QString& name, const QString& text) override {
        m_values[name] = text;
        return true;
    }

private:
    std::map<QString, QVariant> m_values;
};

} // namespace savrona
