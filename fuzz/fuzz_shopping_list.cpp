// The shopping list file: any bytes read into lines without failing, each line's text on
// one line and trimmed; what was read writes the same after another read; merging the list
// with itself, or adding it on one side, gives it back whole; and adding its lines to the
// list builder keeps every recipe named.

#include "FuzzChecks.h"
#include "cookbook/shopping/ShoppingListBuilder.h"
#include "cookbook/shopping/ShoppingListFile.h"
#include "cookbook/shopping/ShoppingListMerge.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace savrona;

void checkLines(const ShoppingList& list) {
    for (const ShoppingLine& line : list) {
        if (line.text.contains(u'\n') || line.text.contains(u'\r'))
            fuzzing::fail("a line's text holds a line break");
        if (line.text != line.text.trimmed())
            fuzzing::fail("a line's text is not trimmed");
    }
}

void checkBuilderKeepsRecipes(const ShoppingList& list) {
    ShoppingListBuilder builder;
    for (const ShoppingLine& line : list)
        builder.addLine(line);
    const ShoppingList built = builder.lines();
    if (built.size() > list.size())
        fuzzing::fail("the builder made more lines than it was given");
    for (const ShoppingLine& line : list) {
        for (const QString& title : line.recipes) {
            bool named = false;
            for (const ShoppingLine& merged : built)
                named = named || merged.recipes.contains(title);
            if (!named)
                fuzzing::fail("the builder lost a recipe");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ShoppingList list =
        readShoppingList(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    checkLines(list);
    const QByteArray written = writeShoppingList(list);
    if (writeShoppingList(readShoppingList(written)) != written)
        fuzzing::fail("reading what was written changed it");
    if (mergeShoppingLists(list, list, list) != list)
        fuzzing::fail("merging the list with itself changed it");
    if (mergeShoppingLists({}, list, {}) != list || mergeShoppingLists({}, {}, list) != list)
        fuzzing::fail("lines added on one side were not all kept");
    checkBuilderKeepsRecipes(list);
    return 0;
}
