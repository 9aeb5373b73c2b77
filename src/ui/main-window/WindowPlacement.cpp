// Reads the placement values strictly, falling back to and writing back the defaults,
// and tells whether saved bounds still fall on a screen.
#include "ui/main-window/WindowPlacement.h"

#include "platform/seams/PlatformSeams.h"

#include <QRegularExpression>

#include <algorithm>

namespace savrona {

namespace {

const QString topName = QStringLiteral("Top");
const QString leftName = QStringLiteral("Left");
const QString widthName = QStringLiteral("Width");
const QString heightName = QStringLiteral("Height");
const QString treeWidthName = QStringLiteral("pWidth");

} // namespace

WindowPlacement::WindowPlacement(SettingsStore& store) : m_store(store) {}

std::optional<int> WindowPlacement::parseDecimal(const QString& text) {
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool fits = false;
    const int number = text.toInt(&fits, 10);
    if (!fits)
        return std::nullopt;
    return number;
}

int WindowPlacement::restoreValue(const QString& name, int defaultValue, QStringList& problems) {
    const std::optional<QVariant> stored = m_store.value(name);
    QString problem;
    if (stored.has_value()) {
        if (!stored->isValid()) {
            problem = QStringLiteral("Failed to get data for '%1'").arg(name);
        } else if (stored->typeId() != QMetaType::QString) {
            problem = QStringLiteral("Invalid data type for '%1'").arg(name);
        } else {
            const QString text = stored->toString();
            if (!text.isEmpty()) {
                if (const std::optional<int> number = parseDecimal(text))
                    return *number;
                problem = QStringLiteral("'%1' is not a valid integer value").arg(text);
            }
        }
    }
    if (!problem.isEmpty())
        problems.append(problem);
    if (!m_store.setValue(name, QString::number(defaultValue)))
        problems.append(QStringLiteral("Failed to set data for '%1'").arg(name));
    return defaultValue;
}

WindowPlacement::Restored WindowPlacement::restore() {
    const PlacementValues defaults;
    Restored restored;
    PlacementValues& values = restored.values;
    values.top = restoreValue(topName, defaults.top, restored.problems);
    values.left = restoreValue(leftName, defaults.left, restored.problems);
    values.width = restoreValue(widthName, defaults.width, restored.problems);
    values.height = restoreValue(heightName, defaults.height, restored.problems);
    values.treeWidth = restoreValue(treeWidthName, defaults.treeWidth, restored.problems);
    return restored;
}

QString WindowPlacement::store(const PlacementValues& values) {
    const std::pair<const QString&, int> entries[] = {{topName, values.top},
                                                      {leftName, values.left},
                                                      {widthName, values.width},
                                                      {heightName, values.height},
                                                      {treeWidthName, values.treeWidth}};
    for (const auto& [name, number] : entries) {
        if (!m_store.setValue(name, QString::number(number)))
            return QStringLiteral("Failed to set data for '%1'").arg(name);
    }
    return {};
}

bool WindowPlacement::isOnAnyScreen(const QRect& bounds, const QList<QRect>& screens) {
    return std::any_of(screens.begin(), screens.end(),
                       [&bounds](const QRect& screen) { return screen.intersects(bounds); });
}

} // namespace savrona
