#pragma once

// The shopping list as text for the clipboard and on paper.

#include "cookbook/shopping/ShoppingList.h"

#include <QString>

class QPagedPaintDevice;

namespace savrona {

// One line an item: "☐ 3 eggs (Pancakes, Waffles)", "☑" for one ticked off.
QString shoppingListText(const ShoppingList& list);

// Paints the list onto the device's pages under the heading "Shopping list", with page
// numbers.
void printShoppingList(const ShoppingList& list, QPagedPaintDevice& device);

} // namespace savrona
