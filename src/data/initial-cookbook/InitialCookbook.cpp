// Hands out the built-in cookbook's packets, embedded in the program at build time.
#include "data/initial-cookbook/InitialCookbook.h"

// Written at build time by tools/initial-cookbook/make_initial_cookbook from
// src/data/initial-cookbook/source.
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
