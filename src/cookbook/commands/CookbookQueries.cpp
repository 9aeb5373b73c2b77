// The filter switching with which the category and recipe commands look records up.
#include "cookbook/commands/CookbookQueries.h"

#include "cookbook/CookbookFields.h"
#include "data/engine/Lookups.h"

namespace savrona {

void showOnly(Table& table, const QString& expression) {
    table.setFiltered(false);
    table.setFilter(expression);
    table.setFiltered(true);
}

std::optional<std::int32_t> categoryIdByName(Table& categories, const QString& name) {
    showOnly(categories, lookup::categoryByName(name));
    const Value id = categories.fieldByName(field::id);
    categories.setFiltered(false);
    if (!id.isInteger())
        return std::nullopt;
    return id.integer();
}

} // namespace savrona
