#pragma once

// The data types of the tables: field definitions, field values, rows and packets.

#include "data/packets/engine-xml/DataPacketXmlLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace savrona {

enum class FieldType {
    Integer, // signed 32-bit
    Text,    // bounded by the field's width, in characters
    Memo,    // text of any length
};

struct FieldDefinition {
    QString name;
    FieldType type = FieldType::Text;
    int width = 0; // characters, for Text fields; 0 otherwise

    bool operator==(const FieldDefinition&) const = default;
};

// One field value: null, a 32-bit integer or a text. Text is held as UTF-8,
// which halves the memory of a large cookbook against UTF-16 and compares
// exactly byte for byte.
class Value {
public:
    Value() = default; // null
    static Value integer(std::int32_t number) { return Value(Storage(number)); }
    static Value text(QByteArray utf8) { return Value(Storage(std::move(utf8))); }
    static Value text(const QString& text) { return Value(Storage(text.toUtf8())); }

    bool isNull() const { return std::holds_alternative<std::monostate>(m_storage); }
    bool isInteger() const { return std::holds_alternative<std::int32_t>(m_storage); }
    bool isText() const { return std::holds_alternative<QByteArray>(m_storage); }

    // Preconditions: isInteger() / isText().
    std::int32_t integer() const { return std::get<std::int32_t>(m_storage); }
    const QByteArray& utf8() const { return std::get<QByteArray>(m_storage); }
    // Unlike QString::fromUtf8, keeps a leading U+FEFF: it is part of the text.
    QString toQString() const {
        const QByteArray& bytes = utf8();
        // Byte by byte: every title of a tree rebuild comes through here.
        const bool startsWithByteOrderMark = bytes.size() >= 3 && uchar(bytes[0]) == 0xEF &&
                                             uchar(bytes[1]) == 0xBB && uchar(bytes[2]) == 0xBF;
        if (!startsWithByteOrderMark)
            return QString::fromUtf8(bytes);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }

    bool operator==(const Value&) const = default;

private:
    using Storage = std::variant<std::monostate, std::int32_t, QByteArray>;
    explicit Value(Storage storage) : m_storage(std::move(storage)) {}
    Storage m_storage;
};

using Row = std::vector<Value>;

// The whole content of a table: its fields in order and its current rows.
// A packet read from a file in the original engine's XML layout carries that
// layout, so that it is written back in it; otherwise none.
struct Packet {
    std::vector<FieldDefinition> fields;
    std::vector<Row> rows;
    std::optional<DataPacketXmlLayout> dataPacketXmlLayout{};

    bool operator==(const Packet&) const = default;
};

} // namespace savrona
