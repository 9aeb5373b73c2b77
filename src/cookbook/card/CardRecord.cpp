// Finds a card's recipe by ID or title and reads or writes its record.
#include "cookbook/card/CardRecord.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/commands/CookbookQueries.h"
#include "data/engine/Lookups.h"

namespace savrona {

namespace {

QString textOf(const Value& value) {
    return value.isText() ? value.toQString() : QString();
}

// Stands the filtered table on the key's record; false when it is not there.
bool showRecord(Table& recipes, const CardKey& key) {
    if (key.id) {
        showOnly(recipes, lookup::recipeById(*key.id));
        if (recipes.recordCount() > 0)
            return true;
    }
    if (key.title.isEmpty()) {
        recipes.setFiltered(false);
        return false;
    }
    showOnly(recipes, lookup::recipeByTitle(key.title));
    return recipes.recordCount() > 0;
}

CardRecord currentRecord(const Table& recipes) {
    CardRecord record;
    const Value id = recipes.fieldByName(field::id);
    if (id.isInteger())
        record.key.id = id.integer();
    record.key.title = textOf(recipes.fieldByName(field::title));
    record.ingredients = textOf(recipes.fieldByName(field::ingredients));
    record.preparation = textOf(recipes.fieldByName(field::preparation));
    record.servings = textOf(recipes.fieldByName(field::servings));
    record.notes = textOf(recipes.fieldByName(field::notes));
    record.picture = textOf(recipes.fieldByName(field::picture));
    return record;
}

} // namespace

std::optional<CardRecord> readCardRecord(Table& recipes, const CardKey& key) {
    std::optional<CardRecord> record;
    if (showRecord(recipes, key))
        record = currentRecord(recipes);
    recipes.setFiltered(false);
    return record;
}

bool writeCardField(Table& recipes, const CardKey& key, const QString& fieldName,
                    const QString& text) {
    const auto& fields = recipes.fields();
    std::vector<FieldInput> values(fields.size(), FieldInput::leaveAlone());
    bool known = false;
    for (std::size_t index = 0; index < fields.size(); ++index) {
        if (fields[index].name == fieldName) {
            values[index] = text.isEmpty() ? FieldInput(nullptr) : FieldInput(text);
            known = true;
        }
    }
    const bool found = known && showRecord(recipes, key);
    if (found) {
        recipes.edit();
        recipes.setFields(values);
        recipes.post();
    }
    recipes.setFiltered(false);
    return found;
}

} // namespace savrona
