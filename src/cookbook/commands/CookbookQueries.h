#pragma once

// Lookups that the category and recipe commands share.

#include "data/engine/Table.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace savrona {

// Switches the table's filter on with the expression, so that the view holds
// only the records it selects and stands on the first of them. The filter is
// switched off first, so nothing rests on what an earlier command left.
void showOnly(Table& table, const QString& expression);

// The ID of the category named exactly name; nothing when there is no such
// category or it has no ID. Leaves the categories filter off.
std::optional<std::int32_t> categoryIdByName(Table& categories, const QString& name);

} // namespace savrona
