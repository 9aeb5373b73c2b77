// Reading and writing the find window's four placement values.
#include "ui/find/FindWindowPlacement.h"

#include "platform/seams/PlatformSeams.h"
#include "ui/main-window/WindowPlacement.h"

#include <QStringList>

namespace savrona {

namespace {

const QStringList valueNames{QStringLiteral("FindLeft"), QStringLiteral("FindTop"),
                             QStringLiteral("FindWidth"), QStringLiteral("FindHeight")};
constexpr int leastSide = 120;

} // namespace

FindWindowPlacement::FindWindowPlacement(SettingsStore& store) : m_store(store) {}

std::optional<QRect> FindWindowPlacement::restore(const QList<QRect>& screens) {
    int numbers[4] = {};
    for (int index = 0; index < 4; ++index) {
        const std::optional<QVariant> stored = m_store.value(valueNames[index]);
        if (!stored || stored->typeId() != QMetaType::QString)
            return std::nullopt;
        const std::optional<int> number = WindowPlacement::parseDecimal(stored->toString());
        if (!number)
            return std::nullopt;
        numbers[index] = *number;
    }
    const QRect bounds(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (bounds.width() < leastSide || bounds.height() < leastSide ||
        !WindowPlacement::isOnAnyScreen(bounds, screens))
        return std::nullopt;
    return bounds;
}

void FindWindowPlacement::store(const QRect& bounds) {
    const int numbers[4] = {bounds.x(), bounds.y(), bounds.width(), bounds.height()};
    for (int index = 0; index < 4; ++index) {
        if (!m_store.setValue(valueNames[index], QString::number(numbers[index])))
            return;
    }
}

} // namespace savrona
