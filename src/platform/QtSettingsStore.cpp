// Reads and writes the placement values through QSettings, syncing each write at once.
#include "platform/QtSettingsStore.h"

namespace savrona {

QtSettingsStore::QtSettingsStore()
    : m_settings(QStringLiteral("Keltrim"), QStringLiteral("Savrona")) {}

std::optional<QVariant> QtSettingsStore::value(const QString& name) {
    if (!m_settings.contains(name))
        return std::nullopt;
    return m_settings.value(name);
}

bool QtSettingsStore::setValue(const QString& name, const QString& text) {
    if (!m_settings.isWritable())
        return false;
    m_settings.setValue(name, text);
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

} // namespace savrona
