#pragma once

// The shopping list: lines of things to buy, each with the recipes it comes from.

#include <QString>
#include <QStringList>

#include <vector>

namespace savrona {

struct ShoppingLine {
    QString text;        // "1 1/8 cups sugar", or anything typed by hand
    QStringList recipes; // the titles of the recipes it comes from, none for a hand-made line
    bool done = false;   // ticked off

    bool operator==(const ShoppingLine&) const = default;
};

using ShoppingList = std::vector<ShoppingLine>;

} // namespace savrona
