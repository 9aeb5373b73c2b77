#pragma once

// The cookbook built into the program, which the tables open on when there is no data
// file yet.

#include <QByteArray>

namespace savrona {

// The initial cookbook's two packets in the binary form, as the program
// carries them, each with its 4-byte little-endian length in front.
QByteArray initialCategoriesPacketWithLength();
QByteArray initialRecipesPacketWithLength();

} // namespace savrona
