#pragma once

// The recipe a card shows, read from the recipes table, and the three fields the card
// writes (servings, notes, picture).

#include "data/engine/Table.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace savrona {

// How a card knows its recipe: by its ID, which survives a rename or a move, and by its
// title for a record without an ID.
struct CardKey {
    std::optional<std::int32_t> id;
    QString title;

    bool sameRecipe(const CardKey& other) const {
        return id && other.id ? *id == *other.id : title == other.title;
    }
};

struct CardRecord {
    CardKey key;
    QString ingredients; // as stored, lines ended by CR LF
    QString preparation;
    QString servings; // empty when null
    QString notes;
    QString picture;
};

// The record of the key's ID, or, when there is none or no record holds it, the record of
// the key's title; nothing when neither is found. Leaves the table's filter off.
std::optional<CardRecord> readCardRecord(Table& recipes, const CardKey& key);

// Sets one field of the key's record (found as readCardRecord finds it) to text, an
// empty text making it null; false when the record is gone. Leaves the filter off.
bool writeCardField(Table& recipes, const CardKey& key, const QString& fieldName,
                    const QString& text);

} // namespace savrona
