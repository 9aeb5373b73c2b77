#pragma once

// "Shopping list.txt", the shopping list kept in the data folder as plain UTF-8 text that a
// phone's text editor shows and edits, one item a line:
//
//   [x] 3 eggs  (Pancakes, Waffles)
//   [ ] paper towels
//
// "[x] " marks an item ticked off, "[ ] " one still to buy; the recipes an item comes from
// follow it in parentheses after two blanks.

#include "cookbook/shopping/ShoppingList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace savrona {

inline const QString shoppingListFileName = QStringLiteral("Shopping list.txt");

// The file's bytes: UTF-8 without a byte order mark, each line ended by "\n". Texts and
// titles are trimmed and their line breaks become blanks.
QByteArray writeShoppingList(const ShoppingList& list);

// Reads whatever the file holds, never failing: a byte order mark, "\r\n" and "\r" line ends,
// and bytes that are not UTF-8 (read as U+FFFD) are taken in. A line without a tick mark is
// an item to buy; "[X]", "[✓]", "[]", "- [ ]" and "☐"/"☑" are tick marks too. Blank lines
// are left out; every other line is an item. The list writeShoppingList wrote reads back the
// same, but for a title holding ", ", which comes back as two.
ShoppingList readShoppingList(QByteArrayView bytes);

} // namespace savrona
