// The filter reader: any text either reads or is refused with an Error, and
// what reads can be matched against records, nulls included.

#include "data/Error.h"
#include "data/engine/FilterExpression.h"

#include <cstddef>
#include <cstdint>

namespace {

using savrona::FieldDefinition;
using savrona::FieldType;
using savrona::Row;
using savrona::Value;

const std::vector<FieldDefinition> recipeFields = {
    {"ID", FieldType::Integer, 0},       {"CategoryID", FieldType::Integer, 0},
    {"Title", FieldType::Text, 255},     {"Ingredients", FieldType::Memo, 0},
    {"Preparation", FieldType::Memo, 0}, {"servings", FieldType::Text, 255},
    {"Notes", FieldType::Text, 255},     {"Picture", FieldType::Text, 255}};

const std::vector<Row> recipes = {{Value::integer(4),
                                   Value::integer(2),
                                   Value::text(QByteArray("Grandma's pie")),
                                   Value::text(QByteArray("1 cup\r\n")),
                                   Value::text(QByteArray("")),
                                   {},
                                   {},
                                   {}},
                                  {Value::integer(-2147483647 - 1),
                                   {},
                                   Value::text(QByteArray("Crème brûlée ½")),
                                   {},
                                   {},
                                   {},
                                   {},
                                   {}},
                                  {{}, {}, {}, {}, {}, {}, {}, {}}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const savrona::FilterExpression expression =
            savrona::FilterExpression::parse(text, recipeFields);
        for (const Row& row : recipes)
            static_cast<void>(expression.matches(row));
        static_cast<void>(expression.singleEquality());
    } catch (const savrona::Error&) {
    }
    return 0;
}
