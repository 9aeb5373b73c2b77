#pragma once

// Keeps the main window's position, size and tree width from one run to the next.

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

namespace savrona {

class SettingsStore;

// The main window's bounds and the width of its tree side, in pixels.
struct PlacementValues {
    int top = 50;
    int left = 50;
    int width = 700;
    int height = 500;
    int treeWidth = 175;

    QRect bounds() const { return {left, top, width, height}; }
    bool operator==(const PlacementValues&) const = default;
};

// Reads and writes the five placement values Top, Left, Width, Height and
// pWidth, each a decimal string. A value that is missing or empty is given
// its default, which is written back. A value that cannot be read, is not a
// string or is not a decimal integer is reported, given its default (written
// back) and the other values are read as usual.
class WindowPlacement {
public:
    explicit WindowPlacement(SettingsStore& store);

    struct Restored {
        PlacementValues values;
        QStringList problems; // in the order met

        // The one message a start-up shows however many values were bad: the
        // first problem, which the user can act on (a store that cannot be
        // written fails for every value alike).
        QString report() const { return problems.value(0); }
    };
    Restored restore();

    // Writes the five values in order and stops at the first that cannot be
    // written; its message is returned, nothing when all were written.
    QString store(const PlacementValues& values);

    // True when the rectangle shares at least one pixel with a screen.
    static bool isOnAnyScreen(const QRect& bounds, const QList<QRect>& screens);

    // Strict decimal: an optional sign and digits that fit 32 bits.
    static std::optional<int> parseDecimal(const QString& text);

private:
    int restoreValue(const QString& name, int defaultValue, QStringList& problems);
    SettingsStore& m_store;
};

} // namespace savrona
