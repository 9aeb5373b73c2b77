// Hands out the built-in cookbook's packets, embedded in the program at build time.
#include "InitialCookbook.h"

// Written at build time by tools/make_initial_cookbook from src/data/cookbook.
#include "InitialCookbookPackets.h"

namespace savrona {

namespace {

// The bytes live in the program's read-only data for the whole run, so the
// array can be shared without a copy.
template <std::size_t size> QByteArray embedded(const unsigned char (&bytes)[size]) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
}

} // namespace

QByteArray initialCategoriesPacketWithLength() {
    return embedded(initial_cookbook::categoriesPacketWithLength);
}

QByteArray initialRecipesPacketWithLength() {
    return embedded(initial_cookbook::recipesPacketWithLength);
}

} // namespace savrona
