#pragma once

// Packets that both data packet forms must carry unchanged through a write
// and a read, shared by the binary and the XML tests.

#include "data/Value.h"

#include <QString>

#include <gtest/gtest.h>

#include <limits>

#include <ostream>
#include <string>
#include <vector>

namespace savrona::test_support {

struct PacketSample {
    std::string name;
    Packet packet;
};

inline std::vector<FieldDefinition> categoryFields() {
    return {{"ID", FieldType::Integer, 0},
            {"SubID", FieldType::Integer, 0},
            {"Category", FieldType::Text, 125}};
}

inline std::vector<FieldDefinition> recipeFields() {
    return {{"ID", FieldType::Integer, 0},       {"CategoryID", FieldType::Integer, 0},
            {"Title", FieldType::Text, 255},     {"Ingredients", FieldType::Memo, 0},
            {"Preparation", FieldType::Memo, 0}, {"servings", FieldType::Text, 255},
            {"Notes", FieldType::Text, 255},     {"Picture", FieldType::Text, 255}};
}

inline Value text(const char* utf8) {
    return Value::text(QByteArray(utf8));
}

inline Row recipeRow(std::int32_t id, Value categoryId, const char* title, const char* ingredients,
                     const char* preparation) {
    return {Value::integer(id),
            std::move(categoryId),
            text(title),
            text(ingredients),
            text(preparation),
            {},
            {},
            {}};
}

inline std::vector<PacketSample> packetSamples() {
    const QByteArray every7BitCharacter = [] {
        QByteArray characters;
        for (int code = 1; code < 0x80; ++code)
            characters.append(char(code));
        return characters;
    }();
    return {
        {"NoFieldsNoRows", {}},
        {"CategoriesWithoutRows", {categoryFields(), {}}},
        {"NullsAndEmptyTextsStayApart",
         {recipeFields(),
          {{Value::integer(1), {}, text(""), text(""), {}, text(""), {}, text(" ")},
           {{}, Value::integer(0), {}, {}, text(""), {}, text(""), {}}}}},
        {"IntegerLimits",
         {categoryFields(),
          {{Value::integer(std::numeric_limits<std::int32_t>::min()),
            Value::integer(std::numeric_limits<std::int32_t>::max()), text("Limits")},
           {Value::integer(0), Value::integer(-1), text("Zero")}}}},
        {"LineBreaksAndWhiteSpace",
         {recipeFields(),
          {recipeRow(4, Value::integer(2), "  Baked Brie  ", "1 wheel\r\n\r\n2 apples\r\n",
                     "\tWarm.\rThen\nserve.\r\n  Done  ")}}},
        {"Windows1252Characters",
         {recipeFields(),
          {recipeRow(5, Value::integer(6), "Crème brûlée ½ & ¼",
                     "Oven at 180 °C\r\n½ cup sugar, ¼ cup cream",
                     "“Quotes” – ‘dashes’ — € ™ …")}}},
        {"NonLatinTextAndEmoji",
         {recipeFields(),
          {recipeRow(6, Value::integer(7), "寿司 🍣 Ελληνικά", "Русский\r\nעברית العربية",
                     "👩‍🍳 𝄞 ZWJ\u200D and combining e\u0301")}}},
        {"MarkupCharacters",
         {recipeFields(),
          {recipeRow(7, Value::integer(8), "Tom's \"best\" <chili> & rice",
                     "a]]>b &amp; &#13; <![CDATA[x]]>", "back\\slash \\u0041 \\\\")}}},
        {"ControlCharacters",
         {recipeFields(),
          {{Value::integer(8),
            Value::integer(9),
            text("bell\x07 and escape\x1B"),
            Value::text(QByteArray("nul\0byte", 8)),
            {},
            {},
            {},
            {}},
           recipeRow(8, Value::integer(9), "tab\there", "",
                     "\x01\x02\x0B\x0C\x1F\x7F\xC2\x80\xC2\x9F \xEF\xBF\xBE \xEF\xBF\xBF "
                     "\xEF\xBF\xBD")}}},
        {"EveryAsciiCharacter",
         {recipeFields(),
          {{Value::integer(9),
            {},
            Value::text(every7BitCharacter),
            Value::text(every7BitCharacter),
            {},
            {},
            {},
            {}}}}},
        {"LongestCategoryName",
         {categoryFields(),
          {{Value::integer(1), Value::integer(0), Value::text(QString(125, QChar(u'é')))}}}},
        {"LongestTitleAndLongMemo",
         {recipeFields(),
          {recipeRow(10, Value::integer(1), "", "", ""),
           {Value::integer(11),
            Value::integer(1),
            Value::text(QString(255, QChar(u'寿'))),
            Value::text(QString(70000, QChar(u'x'))),
            text(""),
            Value::text(QString(255, QChar(u'½'))),
            {},
            {}}}}},
        {"LongTextBeyondTwoByteLength",
         {{{"Title", FieldType::Text, 255}}, {{Value::text(QByteArray(70000, 'y'))}}}},
        {"ByteOrderMarkCharacters",
         {{{"\uFEFFName", FieldType::Text, 10}, {"\uFEFF\uFEFF", FieldType::Memo, 0}},
          {{text("\uFEFFtext"), text("\uFEFF")}}}},
        {"UnusualFieldNames",
         {{{"i", FieldType::Integer, 0},
           {"Größe \"x\" <&>", FieldType::Text, 10},
           {"名前", FieldType::Memo, 0}},
          {{Value::integer(1), text("a"), text("b")}}}},
    };
}

inline void PrintTo(const PacketSample& sample, std::ostream* out) {
    *out << sample.name;
}

} // namespace savrona::test_support

namespace savrona {

inline void PrintTo(const Value& value, std::ostream* out) {
    if (value.isNull())
        *out << "null";
    else if (value.isInteger())
        *out << value.integer();
    else
        *out << '"' << value.utf8().left(200).toStdString()
             << (value.utf8().size() > 200 ? "...\"" : "\"");
}

inline void PrintTo(const FieldDefinition& field, std::ostream* out) {
    *out << field.name.toStdString() << ':' << int(field.type) << ':' << field.width;
}

inline void PrintTo(const Packet& packet, std::ostream* out) {
    *out << ::testing::PrintToString(packet.fields) << ' ' << ::testing::PrintToString(packet.rows);
}

} // namespace savrona
