#pragma once

// The three-way merge of two versions of the shopping list file, changed on two computers
// (or on a phone) since the version both started from.

#include "cookbook/shopping/ShoppingList.h"

namespace savrona {

// Lines are records keyed by their text (a second line of the same text by its count as
// well). A line one side deleted is gone unless the other side changed its tick or its
// recipes; a line either side added is kept; a line on both sides takes each change made
// against the base, a tick and recipes that both sides set differently coming out not
// ticked and with the recipes of both. Lines come in the order of one side, with the other
// side's own lines after the line they follow there; which side leads rests on the two
// versions alone, so the result is the same whichever side is ours.
ShoppingList mergeShoppingLists(const ShoppingList& base, const ShoppingList& ours,
                                const ShoppingList& theirs);

} // namespace savrona
