#pragma once

// The binary data packet, in a raw model that keeps every byte, and its merge
// into the table's current content.

#include "data/Value.h"
#include "data/packets/PacketView.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

// Layout (all numbers little-endian):
//
//   header, 24 bytes: signature 96 19 E0 BD, version u32 (1), header size
//     u32 (24), field count u16, row count u32, attribute word u32, offset of
//     the first row from the start of the packet u16
//   per field: name length u8, name, size u16, type u16, attributes u16,
//     property count u16, the properties
//   packet property count u16, the packet properties
//   per row: state u8, null indicators (2 bits per field, first field in the
//     lowest bits, (2 * fields + 7) / 8 bytes), then the values of the fields
//     whose indicator is "value"
//
// A property is: name length u8, name, size u16, type u16, value. The value
// of a fixed-size type is `size` bytes; of a variable-length type a length of
// `size` bytes and that many bytes; of an array a u32 count and that many
// elements of `size` bytes.
//
// A type is a base type in the low six bits, plus 64 for a variable length and
// 128 for an array. Field sizes: a fixed-size value takes `size` bytes; a
// variable-length value carries its length in `size` bytes (1, 2 or 4).
//
// Packets written by Savrona carry the packet property TEXT_ENCODING = "UTF-8"
// and hold their texts, field names included, as UTF-8. Without it, texts are
// Windows-1252, as in the original engine's packets.

namespace savrona {

namespace BinaryType {
constexpr std::uint16_t SignedInteger = 1;
constexpr std::uint16_t UnsignedInteger = 2;
constexpr std::uint16_t Text = 9;
constexpr std::uint16_t Bytes = 11;
constexpr std::uint16_t BaseMask = 63;
constexpr std::uint16_t VariableLength = 64;
constexpr std::uint16_t Array = 128;
} // namespace BinaryType

// Bits of a row's state.
namespace RowState {
constexpr std::uint8_t Current = 0;
constexpr std::uint8_t ReplacedByLaterRow = 1; // an earlier version of a record
constexpr std::uint8_t Deleted = 2;
constexpr std::uint8_t Inserted = 4;
constexpr std::uint8_t Modified = 8;
constexpr std::uint8_t FreeSlot = 32;
// A row with none of these bits belongs to the table's current content.
constexpr std::uint8_t NotCurrentMask = ReplacedByLaterRow | Deleted | FreeSlot;
} // namespace RowState

// Field attribute bits; every field of the original packets has UnNamed alone.
namespace FieldAttribute {
constexpr std::uint16_t HiddenColumn = 1;
constexpr std::uint16_t ReadOnly = 2;
constexpr std::uint16_t Required = 4;
constexpr std::uint16_t Link = 8;
constexpr std::uint16_t UnNamed = 16;
constexpr std::uint16_t Fixed = 32;
} // namespace FieldAttribute

// A property of a field or of the packet.
struct RawProperty {
    QByteArray name; // single-byte characters, at most 255
    std::uint16_t size = 0;
    std::uint16_t type = 0;
    // Fixed-size type: exactly `size` bytes. Variable-length type: the bytes
    // after the length. Array: the elements one after another, `size` bytes
    // each (so the element count is value.size() / size).
    QByteArray value;

    bool isVariableLength() const { return (type & BinaryType::VariableLength) != 0; }
    bool isArray() const { return (type & BinaryType::Array) != 0; }

    // "WIDTH": size 2, type 2.
    static RawProperty unsignedInteger(QByteArray name, std::uint16_t number);
    // A variable-length text, such as "SUBTYPE" (size 2, type 73).
    static RawProperty text(QByteArray name, QByteArray bytes, std::uint16_t lengthSize = 2);
    // An array of unsigned 32-bit integers, such as "CHANGE_LOG" (size 4, type 130).
    static RawProperty unsignedArray(QByteArray name, const std::vector<std::uint32_t>& elements);

    // The value read as an unsigned integer of `size` bytes (1, 2 or 4);
    // throws Error otherwise.
    std::uint32_t toUnsigned() const;
    // The elements of a size-4 array; throws Error for any other property.
    std::vector<std::uint32_t> toUnsignedArray() const;

    bool operator==(const RawProperty&) const = default;
};

struct RawField {
    QByteArray name; // in the packet's text encoding, at most 255 bytes
    std::uint16_t size = 0;
    std::uint16_t type = 0;
    std::uint16_t attributes = FieldAttribute::UnNamed;
    std::vector<RawProperty> properties;

    bool isVariableLength() const { return (type & BinaryType::VariableLength) != 0; }
    const RawProperty* findProperty(QByteArrayView propertyName) const;

    // The field kinds of a cookbook table: a 32-bit integer (size 4, type 1);
    // a text with a WIDTH whose values carry their length in lengthSize bytes
    // (type 73); a memo, bytes with SUBTYPE "Text" and a 4-byte length (type 75).
    static RawField integer(QByteArray name);
    static RawField text(QByteArray name, std::uint16_t width, std::uint16_t lengthSize = 2);
    static RawField memo(QByteArray name);

    bool operator==(const RawField&) const = default;
};

// The 2-bit indicator in front of each field of a row.
enum class CellIndicator : std::uint8_t {
    Value = 0,          // the value follows
    Null = 1,           // null, nothing follows
    SameAsReplaced = 2, // the value of the row this row replaces, nothing follows
};

struct RawCell {
    CellIndicator indicator = CellIndicator::Null;
    // With CellIndicator::Value: a fixed-size field's `size` bytes, or a
    // variable-length field's bytes without their length. Otherwise empty.
    QByteArray bytes;

    static RawCell null() { return {}; }
    static RawCell sameAsReplaced() { return {CellIndicator::SameAsReplaced, {}}; }
    static RawCell integer(std::int32_t number);
    static RawCell text(QByteArray bytes) { return {CellIndicator::Value, std::move(bytes)}; }

    bool operator==(const RawCell&) const = default;
};

struct RawRow {
    std::uint8_t state = RowState::Current;
    std::vector<RawCell> cells; // one per field, in field order

    bool operator==(const RawRow&) const = default;
};

// One entry of the change log: rows are numbered from 1 in stored order.
struct ChangeLogEntry {
    enum Kind : std::uint32_t { Deletion = 2, Insertion = 4, Modification = 8 };

    std::uint32_t row = 0;
    std::uint32_t replacedRow = 0; // 0 when the row replaces none
    std::uint32_t kind = Insertion;

    bool operator==(const ChangeLogEntry&) const = default;
};

struct RawBinaryPacket {
    // Not interpreted. The original engine's packets carry 3; Savrona writes 3 too.
    std::uint32_t attributeWord = 3;
    std::vector<RawField> fields;
    std::vector<RawProperty> properties;
    std::vector<RawRow> rows;

    const RawProperty* findProperty(QByteArrayView propertyName) const;
    // The "CHANGE_LOG" property as entries (empty when there is none), and
    // setting it (replacing any earlier one; an empty log removes it).
    std::vector<ChangeLogEntry> changeLog() const;
    void setChangeLog(const std::vector<ChangeLogEntry>& entries);

    bool operator==(const RawBinaryPacket&) const = default;
};

// True when the bytes begin with the binary packet's signature.
bool hasBinaryPacketSignature(QByteArrayView bytes);

// Reads every byte of a binary packet; throws Error when the packet is
// damaged, of another version or of a layout this model does not hold.
RawBinaryPacket readRawBinaryPacket(QByteArrayView bytes);

// The exact bytes of the packet, header and first-row offset computed.
// Throws Error when the packet cannot be laid out (a name longer than 255
// bytes, a cell that does not fit its field, descriptors past 64 KB, ...).
QByteArray writeRawBinaryPacket(const RawBinaryPacket& packet);

// The table's current content: the rows with none of the state bits 1, 2 and
// 32, every "same as replaced" value taken from the row it replaces through
// the change log (following chains). Texts are decoded to UTF-8 by the
// packet's TEXT_ENCODING. Throws Error for a damaged change log or a field
// type other than the cookbook's integer, text and memo.
Packet mergeRawBinaryPacket(const RawBinaryPacket& packet);

// A raw packet of the table's content, no change log, every row current,
// texts and field names in UTF-8 with TEXT_ENCODING = "UTF-8".
RawBinaryPacket rawBinaryPacketFromPacket(const PacketView& packet);

} // namespace savrona
