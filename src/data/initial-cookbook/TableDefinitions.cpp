// The fields of the categories and recipes tables, and their initial content read from
// the packets built into the program.
#include "data/initial-cookbook/TableDefinitions.h"

#include "data/initial-cookbook/InitialCookbook.h"
#include "data/packets/PacketFormats.h"

#include <QtEndian>

namespace savrona {

namespace {

// The carried packets hold their length in front; a packet that is missing or
// whose length does not match is a build fault, reported like any bad packet.
Packet readCarriedPacket(const QByteArray& withLength, std::vector<FieldDefinition> fields) {
    if (withLength.isEmpty())
        return Packet{std::move(fields), {}};
    const auto length =
        withLength.size() >= 4 ? qFromLittleEndian<quint32>(withLength.constData()) : 0u;
    if (withLength.size() < 4 || length != static_cast<quint32>(withLength.size() - 4))
        throw Error(QStringLiteral("The initial cookbook carried in the program is damaged"));
    return readPacket(QByteArrayView(withLength).sliced(4));
}

FieldDefinition integerField(const char* name) {
    return {QString::fromLatin1(name), FieldType::Integer, 0};
}

FieldDefinition textField(const char* name, int width) {
    return {QString::fromLatin1(name), FieldType::Text, width};
}

FieldDefinition memoField(const char* name) {
    return {QString::fromLatin1(name), FieldType::Memo, 0};
}

} // namespace

TableDefinition categoriesTableDefinition() {
    std::vector<FieldDefinition> fields{integerField("ID"), integerField("SubID"),
                                        textField("Category", 125)};
    auto packet = readCarriedPacket(initialCategoriesPacketWithLength(), fields);
    return {QStringLiteral("dataSetCategories"), std::move(fields), QStringLiteral("Category"),
            std::move(packet)};
}

TableDefinition recipesTableDefinition() {
    std::vector<FieldDefinition> fields{integerField("ID"),       integerField("CategoryID"),
                                        textField("Title", 255),  memoField("Ingredients"),
                                        memoField("Preparation"), textField("servings", 255),
                                        textField("Notes", 255),  textField("Picture", 255)};
    auto packet = readCarriedPacket(initialRecipesPacketWithLength(), fields);
    return {QStringLiteral("dataSetRecipes"), std::move(fields), QStringLiteral("Title"),
            std::move(packet)};
}

} // namespace savrona
