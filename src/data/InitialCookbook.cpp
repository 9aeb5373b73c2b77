#include "InitialCookbook.h"

// Placeholder until the initial cookbook's packets are embedded.
namespace savrona {
QByteArray initialCategoriesPacketWithLength() { return {}; }
QByteArray initialRecipesPacketWithLength() { return {}; }
} // namespace savrona
