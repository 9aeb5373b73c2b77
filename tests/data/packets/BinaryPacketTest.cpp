#include "data/packets/binary/BinaryPacket.h"
#include "data/Error.h"
#include "data/ErrorMessage.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/PacketSamples.h"
#include "data/packets/Windows1252.h"

#include <QtEndian>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace savrona {
namespace {

using savrona::test_support::PacketSample;
using savrona::test_support::packetSamples;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Builds expected bytes by hand, independently of the writer.
class Bytes {
public:
    Bytes& u8(std::uint8_t number) { return append(&number, 1); }
    Bytes& u16(std::uint16_t number) { return appendLittleEndian(number); }
    Bytes& u32(std::uint32_t number) { return appendLittleEndian(number); }
    Bytes& text(QByteArrayView text) {
        m_bytes.append(text);
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    template <typename Number> Bytes& appendLittleEndian(Number number) {
        char bytes[sizeof(Number)];
        qToLittleEndian(number, bytes);
        return append(bytes, sizeof(Number));
    }
    Bytes& append(const void* data, qsizetype size) {
        m_bytes.append(static_cast<const char*>(data), size);
        return *this;
    }
    QByteArray m_bytes;
};

using test_support::messageOf;

RawCell text(const char* bytes) {
    return RawCell::text(QByteArray(bytes));
}

RawRow row(std::uint8_t state, RawCell id, RawCell name) {
    return {state, {std::move(id), std::move(name)}};
}

// Fields ID (integer) and Name (text, width 20), with rows and a change log.
RawBinaryPacket idAndNamePacket(std::vector<RawRow> rows,
                                const std::vector<ChangeLogEntry>& log = {}) {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), RawField::text("Name", 20)};
    packet.rows = std::move(rows);
    packet.setChangeLog(log);
    return packet;
}

Row idAndName(Value id, const char* name) {
    return {std::move(id), Value::text(QByteArray(name))};
}

std::vector<FieldDefinition> idAndNameFields() {
    return {{"ID", FieldType::Integer, 0}, {"Name", FieldType::Text, 20}};
}

// ---- Layout --------------------------------------------------------------

TEST(BinaryPacketLayout, WritesTheDocumentedBytes) {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), RawField::text("Name", 10, 1)};
    packet.rows = {row(RowState::Current, RawCell::integer(7), text("ab")),
                   row(RowState::Inserted, RawCell::null(), text("x"))};

    const QByteArray expected = Bytes()
                                    .text("\x96\x19\xE0\xBD")
                                    .u32(1)
                                    .u32(24)
                                    .u16(2)
                                    .u32(2)
                                    .u32(3)
                                    .u16(62)
                                    // ID: size 4, type 1, attributes 16, no properties
                                    .u8(2)
                                    .text("ID")
                                    .u16(4)
                                    .u16(1)
                                    .u16(16)
                                    .u16(0)
                                    // Name: size 1, type 73, attributes 16, WIDTH 10
                                    .u8(4)
                                    .text("Name")
                                    .u16(1)
                                    .u16(73)
                                    .u16(16)
                                    .u16(1)
                                    .u8(5)
                                    .text("WIDTH")
                                    .u16(2)
                                    .u16(2)
                                    .u16(10)
                                    .u16(0) // no packet properties
                                    .u8(0)
                                    .u8(0x00)
                                    .u32(7)
                                    .u8(2)
                                    .text("ab")
                                    .u8(4)
                                    .u8(0x01)
                                    .u8(1)
                                    .text("x")
                                    .bytes();
    EXPECT_EQ(writeRawBinaryPacket(packet).toHex(' '), expected.toHex(' '));
}

std::uint16_t firstRowOffsetOf(const RawBinaryPacket& packet) {
    return qFromLittleEndian<std::uint16_t>(writeRawBinaryPacket(packet).constData() + 22);
}

TEST(BinaryPacketLayout, CookbookDescriptorsPutTheFirstRowWhereTheOriginalPacketsDo) {
    RawBinaryPacket categories;
    categories.fields = {RawField::integer("ID"), RawField::integer("SubID"),
                         RawField::text("Category", 125, 1)};
    categories.properties = {
        RawProperty::unsignedArray("CHANGE_LOG", std::vector<std::uint32_t>(84))};
    EXPECT_EQ(firstRowOffsetOf(categories), 435);

    RawBinaryPacket recipes;
    recipes.fields = {RawField::integer("ID"),       RawField::integer("CategoryID"),
                      RawField::text("Title", 255),  RawField::memo("Ingredients"),
                      RawField::memo("Preparation"), RawField::text("servings", 255),
                      RawField::text("Notes", 255),  RawField::text("Picture", 255)};
    recipes.properties = {
        RawProperty::unsignedArray("CHANGE_LOG", std::vector<std::uint32_t>(417))};
    EXPECT_EQ(firstRowOffsetOf(recipes), 1930);
}

struct RawSample {
    std::string name;
    RawBinaryPacket packet;
};

void PrintTo(const RawSample& sample, std::ostream* out) {
    *out << sample.name;
}

class RawBinaryRoundTrip : public ::testing::TestWithParam<RawSample> {};

TEST_P(RawBinaryRoundTrip, ReadsBackWhatItWroteByteForByte) {
    const QByteArray bytes = writeRawBinaryPacket(GetParam().packet);
    const RawBinaryPacket read = readRawBinaryPacket(bytes);
    EXPECT_EQ(read, GetParam().packet);
    EXPECT_EQ(writeRawBinaryPacket(read), bytes);
}

RawBinaryPacket unusualLayouts() {
    RawBinaryPacket packet;
    packet.attributeWord = 0xDEADBEEF;
    RawField fixedText{
        "Code", 3, BinaryType::Text, FieldAttribute::Required | FieldAttribute::Fixed, {}};
    fixedText.properties = {
        {"ODD", 3, 2, QByteArray("\x01\x02\x03", 3)},
        {"NOTE", 4, BinaryType::Text | BinaryType::VariableLength, "four-byte length"},
        {"EMPTY", 1, BinaryType::Text | BinaryType::VariableLength, ""}};
    packet.fields = {fixedText, RawField::memo("Memo"), RawField::text("One", 5, 1)};
    packet.properties = {{"SHORTS", 2, 2 | BinaryType::Array, QByteArray("\x01\x00\x02\x00", 4)},
                         {"NONE", 4, 2 | BinaryType::Array, ""},
                         {"ZERO", 0, 1, ""}};
    packet.rows = {{RowState::FreeSlot, {{CellIndicator::Value, "abc"}, RawCell::null(), text("")}},
                   {RowState::Current, {RawCell::null(), text(""), RawCell::null()}}};
    return packet;
}

INSTANTIATE_TEST_SUITE_P(
    Packets, RawBinaryRoundTrip,
    ::testing::Values(
        RawSample{"Empty", {}}, RawSample{"FieldsWithoutRows", idAndNamePacket({})},
        RawSample{"HistoryOfEdits",
                  idAndNamePacket(
                      {row(RowState::ReplacedByLaterRow, RawCell::integer(1), text("Soup")),
                       row(RowState::Modified, RawCell::sameAsReplaced(), text("Stew")),
                       row(RowState::Deleted, RawCell::integer(2), RawCell::null()),
                       row(RowState::Inserted, RawCell::integer(-5), text("\xB0\xE9\xBD\xBC"))},
                      {{2, 1, ChangeLogEntry::Modification},
                       {3, 0, ChangeLogEntry::Deletion},
                       {4, 0, ChangeLogEntry::Insertion}})},
        RawSample{"UnusualLayouts", unusualLayouts()}),
    [](const auto& info) { return info.param.name; });

// ---- Merging the change log ----------------------------------------------

struct MergeCase {
    std::string name;
    RawBinaryPacket packet;
    std::vector<Row> expectedRows;
};

void PrintTo(const MergeCase& mergeCase, std::ostream* out) {
    *out << mergeCase.name;
}

class ChangeLogMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(ChangeLogMerge, KeepsTheCurrentRowsWithTheirValues) {
    const Packet merged = mergeRawBinaryPacket(GetParam().packet);
    EXPECT_EQ(merged.fields, idAndNameFields());
    EXPECT_EQ(merged.rows, GetParam().expectedRows);
}

constexpr std::uint8_t replaced = RowState::ReplacedByLaterRow;

INSTANTIATE_TEST_SUITE_P(
    Histories, ChangeLogMerge,
    ::testing::Values(
        MergeCase{"NoChangeLog",
                  idAndNamePacket({row(0, RawCell::integer(1), text("A")),
                                   row(0, RawCell::null(), RawCell::null())}),
                  {idAndName(Value::integer(1), "A"), {{}, {}}}},
        MergeCase{
            "ModificationTakesUnchangedValuesFromTheOriginal",
            idAndNamePacket({row(replaced, RawCell::integer(1), text("Soup")),
                             row(RowState::Modified, RawCell::sameAsReplaced(), text("Stew"))},
                            {{2, 1, ChangeLogEntry::Modification}}),
            {idAndName(Value::integer(1), "Stew")}},
        MergeCase{"DeletedRowIsDropped",
                  idAndNamePacket({row(0, RawCell::integer(1), text("A")),
                                   row(RowState::Deleted, RawCell::integer(2), text("B"))},
                                  {{2, 0, ChangeLogEntry::Deletion}}),
                  {idAndName(Value::integer(1), "A")}},
        MergeCase{"DeletionRecordedAsAReplacingRow",
                  idAndNamePacket({row(replaced, RawCell::integer(1), text("A")),
                                   row(RowState::Deleted, RawCell::sameAsReplaced(),
                                       RawCell::sameAsReplaced()),
                                   row(0, RawCell::integer(3), text("C"))},
                                  {{2, 1, ChangeLogEntry::Deletion}}),
                  {idAndName(Value::integer(3), "C")}},
        MergeCase{"InsertionAddsARow",
                  idAndNamePacket({row(0, RawCell::integer(1), text("A")),
                                   row(RowState::Inserted, RawCell::integer(2), text("B"))},
                                  {{2, 0, ChangeLogEntry::Insertion}}),
                  {idAndName(Value::integer(1), "A"), idAndName(Value::integer(2), "B")}},
        MergeCase{
            "ChainOfEditsFollowsEachMarkerBack",
            idAndNamePacket(
                {row(RowState::Inserted | replaced, RawCell::integer(3), text("x")),
                 row(RowState::Modified | replaced, RawCell::sameAsReplaced(), text("y")),
                 row(0, RawCell::integer(9), text("other")),
                 row(RowState::Modified, RawCell::sameAsReplaced(), RawCell::sameAsReplaced())},
                {{1, 0, ChangeLogEntry::Insertion},
                 {2, 1, ChangeLogEntry::Modification},
                 {4, 2, ChangeLogEntry::Modification}}),
            {idAndName(Value::integer(9), "other"), idAndName(Value::integer(3), "y")}},
        MergeCase{"ReplacingRowMayComeFirst",
                  idAndNamePacket({row(RowState::Modified, RawCell::integer(5),
                                       RawCell::sameAsReplaced()),
                                   row(replaced, RawCell::integer(4), text("Late"))},
                                  {{1, 2, ChangeLogEntry::Modification}}),
                  {idAndName(Value::integer(5), "Late")}},
        MergeCase{"NullInTheReplacedRowStaysNull",
                  idAndNamePacket({row(replaced, RawCell::null(), text("A")),
                                   row(RowState::Modified, RawCell::sameAsReplaced(), text("B"))},
                                  {{2, 1, ChangeLogEntry::Modification}}),
                  {idAndName({}, "B")}},
        MergeCase{"FreeSlotsAndReplacedRowsAreSkipped",
                  idAndNamePacket(
                      {row(RowState::FreeSlot, RawCell::integer(8), text("free")),
                       row(replaced | RowState::Inserted, RawCell::integer(1), text("old")),
                       row(RowState::Modified, RawCell::sameAsReplaced(), text("new"))},
                      {{2, 0, ChangeLogEntry::Insertion}, {3, 2, ChangeLogEntry::Modification}}),
                  {idAndName(Value::integer(1), "new")}}),
    [](const auto& info) { return info.param.name; });

struct RefusalCase {
    std::string name;
    RawBinaryPacket packet;
    std::string expectedMessage;
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) {
    *out << refusal.name;
}

class MergeRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(MergeRefusal, RefusesWithAClearMessage) {
    EXPECT_EQ(messageOf([] { mergeRawBinaryPacket(GetParam().packet); }).toStdString(),
              GetParam().expectedMessage);
}

RawBinaryPacket withField(RawField field) {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), std::move(field)};
    return packet;
}

RawBinaryPacket withProperty(RawProperty property) {
    RawBinaryPacket packet = idAndNamePacket({row(0, RawCell::integer(1), text("A"))});
    packet.properties.push_back(std::move(property));
    return packet;
}

const RawRow currentRow = row(0, RawCell::integer(1), text("A"));
const RawRow replacedRow = row(replaced, RawCell::integer(1), text("A"));

INSTANTIATE_TEST_SUITE_P(
    DamagedChangeLogs, MergeRefusal,
    ::testing::Values(
        RefusalCase{"EntryNamesRowZero", idAndNamePacket({currentRow}, {{0, 0, 4}}),
                    "The data packet is damaged: change log entry 1 names row 0 of 1."},
        RefusalCase{"EntryNamesRowPastTheEnd",
                    idAndNamePacket({currentRow, currentRow}, {{1, 0, 4}, {3, 0, 4}}),
                    "The data packet is damaged: change log entry 2 names row 3 of 2."},
        RefusalCase{"UnknownKind", idAndNamePacket({currentRow}, {{1, 0, 16}}),
                    "The data packet is damaged: change log entry 1 has the unknown kind 16."},
        RefusalCase{"RowLoggedTwice", idAndNamePacket({currentRow}, {{1, 0, 4}, {1, 0, 8}}),
                    "The data packet is damaged: row 1 appears twice in the change log."},
        RefusalCase{"RowReplacesItself", idAndNamePacket({replacedRow}, {{1, 1, 8}}),
                    "The data packet is damaged: row 1 replaces itself."},
        RefusalCase{"TwoRowsReplaceOne",
                    idAndNamePacket({replacedRow, currentRow, currentRow}, {{2, 1, 8}, {3, 1, 8}}),
                    "The data packet is damaged: row 1 is replaced by both row 2 and row 3."},
        RefusalCase{
            "ReplacedRowStillCurrent", idAndNamePacket({currentRow, currentRow}, {{2, 1, 8}}),
            "The data packet is damaged: row 1 is replaced by row 2 but not marked as replaced."},
        RefusalCase{"ReplacementsInALoop",
                    idAndNamePacket({currentRow, replacedRow, replacedRow}, {{2, 3, 8}, {3, 2, 8}}),
                    "The data packet is damaged: the change log replaces row 2 in a loop."},
        RefusalCase{"SameValueWithoutAReplacedRow",
                    idAndNamePacket({row(0, RawCell::integer(1), RawCell::sameAsReplaced())}),
                    "The data packet is damaged: row 1 takes the value of field 2 from the row it "
                    "replaces, but it replaces none."},
        RefusalCase{"SameValueAtTheEndOfAChain",
                    idAndNamePacket({row(replaced, RawCell::sameAsReplaced(), text("A")),
                                     row(RowState::Modified, RawCell::sameAsReplaced(), text("B"))},
                                    {{2, 1, 8}}),
                    "The data packet is damaged: row 1 takes the value of field 1 from the row it "
                    "replaces, but it replaces none."},
        RefusalCase{"ChangeLogOfBrokenEntries",
                    withProperty(RawProperty::unsignedArray("CHANGE_LOG", {1, 0})),
                    "The data packet is damaged: the change log does not hold whole entries."},
        RefusalCase{"ChangeLogNotAnArray", withProperty(RawProperty::text("CHANGE_LOG", "1 0 4")),
                    "The data packet is damaged: the property \"CHANGE_LOG\" is not an array of "
                    "32-bit numbers."}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    FieldsAndTexts, MergeRefusal,
    ::testing::Values(
        RefusalCase{
            "BytesWithoutTextSubtype",
            withField({"Photo", 4, BinaryType::Bytes | BinaryType::VariableLength, 16, {}}),
            "The data packet holds the field \"Photo\" of type 75 and size 4, which Savrona "
            "cannot read."},
        RefusalCase{"FixedSizeText", withField({"Code", 20, BinaryType::Text, 16, {}}),
                    "The data packet holds the field \"Code\" of type 9 and size 20, which Savrona "
                    "cannot read."},
        RefusalCase{"TextWithoutWidth",
                    withField({"Name", 2, BinaryType::Text | BinaryType::VariableLength, 16, {}}),
                    "The data packet is damaged: the text field \"Name\" has no width."},
        RefusalCase{"NamesDifferingOnlyInCase", withField(RawField::integer("id")),
                    "The data packet is damaged: the field name \"id\" appears twice."},
        RefusalCase{"FieldWithoutName", withField(RawField::integer("")),
                    "The data packet is damaged: field 2 has no name."},
        RefusalCase{"UnknownTextEncoding",
                    withProperty(RawProperty::text("TEXT_ENCODING", "UTF-16")),
                    "The data packet holds its texts in the encoding \"UTF-16\", which Savrona "
                    "cannot read."},
        RefusalCase{"BrokenUtf8Text",
                    [] {
                        RawBinaryPacket packet =
                            idAndNamePacket({row(0, RawCell::integer(1), text("\xC3("))});
                        packet.properties.push_back(RawProperty::text("TEXT_ENCODING", "UTF-8"));
                        return packet;
                    }(),
                    "The data packet is damaged: row 1 holds a text in the field \"Name\" that is "
                    "not valid UTF-8."}),
    [](const auto& info) { return info.param.name; });

// ---- Texts of the original engine ----------------------------------------

TEST(OriginalPacketTexts, AreDecodedFromWindows1252) {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), RawField::text("Titr\xE9", 255),
                     RawField::memo("Memo")};
    packet.rows = {{0,
                    {RawCell::integer(1),
                     text("Cr\xE8me br\xFBl\xE9"
                          "e \xBD \x80 \x81"),
                     text("180 \xB0"
                          "C\r\n\xBC cup \x93quoted\x94 \x85")}}};

    const Packet merged = readPacket(writeRawBinaryPacket(packet));

    ASSERT_EQ(merged.rows.size(), 1u);
    EXPECT_EQ(merged.fields[1].name, QStringLiteral("Titré"));
    EXPECT_EQ(merged.rows[0][1], Value::text(QString::fromUtf8("Crème brûlée ½ € \u0081")));
    EXPECT_EQ(merged.rows[0][2], Value::text(QString::fromUtf8("180 °C\r\n¼ cup “quoted” …")));
}

TEST(Windows1252, EveryByteSurvivesDecodingAndEncoding) {
    QByteArray everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte.append(char(byte));
    EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(everyByte)), everyByte);
}

TEST(Windows1252, RefusesCharactersOutsideTheCodePage) {
    for (const char* text : {"寿司", "🍣", "Ω", "\uFEFFbom", "\xC3(" /* not UTF-8 */}) {
        EXPECT_FALSE(utf8ToWindows1252(text).has_value()) << text;
    }
}

// ---- Packets written by Savrona ------------------------------------------

class BinaryPacketRoundTrip : public ::testing::TestWithParam<PacketSample> {};

TEST_P(BinaryPacketRoundTrip, ReadsBackTheSamePacket) {
    EXPECT_EQ(readPacket(writeBinaryPacket(GetParam().packet)), GetParam().packet);
}

INSTANTIATE_TEST_SUITE_P(Samples, BinaryPacketRoundTrip, ::testing::ValuesIn(packetSamples()),
                         [](const auto& info) { return info.param.name; });

TEST(BinaryPacketWriting, MarksItsTextsAsUtf8AndKeepsNoChangeLog) {
    const RawBinaryPacket raw = readRawBinaryPacket(
        writeBinaryPacket({idAndNameFields(), {idAndName(Value::integer(1), "é")}}));
    ASSERT_NE(raw.findProperty("TEXT_ENCODING"), nullptr);
    EXPECT_EQ(raw.findProperty("TEXT_ENCODING")->value, "UTF-8");
    EXPECT_TRUE(raw.changeLog().empty());
    EXPECT_EQ(raw.rows[0].state, RowState::Current);
    EXPECT_EQ(raw.rows[0].cells[1].bytes, "\xC3\xA9");
}

struct WriteRefusal {
    std::string name;
    std::function<QByteArray()> write;
    std::string expectedMessage;
};

void PrintTo(const WriteRefusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class BinaryPacketWriteRefusal : public ::testing::TestWithParam<WriteRefusal> {};

TEST_P(BinaryPacketWriteRefusal, RefusesWithAClearMessage) {
    EXPECT_EQ(messageOf([] { GetParam().write(); }).toStdString(), GetParam().expectedMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, BinaryPacketWriteRefusal,
    ::testing::Values(
        WriteRefusal{"RowTooShort",
                     [] {
                         return writeBinaryPacket({idAndNameFields(), {{Value::integer(1)}}});
                     },
                     "The data packet cannot be written: row 1 has 1 values for 2 fields."},
        WriteRefusal{
            "NumberInATextField",
            [] {
                return writeBinaryPacket({idAndNameFields(), {{{}, Value::integer(1)}}});
            },
            "The data packet cannot be written: row 1 holds a number in the field \"Name\"."},
        WriteRefusal{"BrokenUtf8",
                     [] {
                         return writeBinaryPacket({idAndNameFields(), {idAndName({}, "\xFF")}});
                     },
                     "The data packet cannot be written: row 1 holds a text in the field \"Name\" "
                     "that is not valid UTF-8."},
        WriteRefusal{"WidthBeyondTheBinaryForm",
                     [] {
                         return writeBinaryPacket({{{"Wide", FieldType::Text, 70000}}, {}});
                     },
                     "The data packet cannot be written: the text field \"Wide\" has the width "
                     "70000, beyond 0 to 65535."},
        WriteRefusal{
            "FieldNameTooLong",
            [] {
                return writeBinaryPacket({{{QString(256, u'n'), FieldType::Integer, 0}}, {}});
            },
            "The data packet cannot be written: the name \"" + std::string(256, 'n') +
                "\" is longer than 255 bytes."},
        WriteRefusal{
            "CellOfTheWrongSize",
            [] { return writeRawBinaryPacket(idAndNamePacket({row(0, text("12"), text(""))})); },
            "The data packet cannot be written: a value of the field \"ID\" does not hold "
            "4 bytes."},
        WriteRefusal{"TextTooLongForItsLength",
                     [] {
                         RawBinaryPacket packet =
                             idAndNamePacket({row(0, RawCell::null(), text(""))});
                         packet.fields[1].size = 1;
                         packet.rows[0].cells[1].bytes = QByteArray(256, 'x');
                         return writeRawBinaryPacket(packet);
                     },
                     "The data packet cannot be written: a value of \"Name\" is too long for its "
                     "1-byte length."},
        WriteRefusal{"DescriptorsPast64KB",
                     [] {
                         return writeRawBinaryPacket(
                             withProperty(RawProperty::text("BIG", QByteArray(70000, 'b'), 4)));
                     },
                     "The data packet cannot be written: its field descriptors and properties "
                     "exceed 64 KB."}),
    [](const auto& info) { return info.param.name; });

// ---- Damaged bytes -------------------------------------------------------

// One row (ID 7, Name "ab") after the fields ID and Name (1-byte lengths):
// header 0-23, ID 24-34, Name 35-59, packet properties 60-61, the row from 62.
QByteArray validPacket() {
    RawBinaryPacket packet;
    packet.fields = {RawField::integer("ID"), RawField::text("Name", 10, 1)};
    packet.rows = {row(0, RawCell::integer(7), text("ab"))};
    return writeRawBinaryPacket(packet);
}

QByteArray patched(qsizetype position, QByteArrayView bytes) {
    QByteArray packet = validPacket();
    packet.replace(position, bytes.size(), bytes.toByteArray());
    return packet;
}

struct DamagedBytes {
    std::string name;
    QByteArray bytes;
    std::string expectedMessage;
};

void PrintTo(const DamagedBytes& damaged, std::ostream* out) {
    *out << damaged.name;
}

class DamagedBinaryPacket : public ::testing::TestWithParam<DamagedBytes> {};

TEST_P(DamagedBinaryPacket, IsRefusedWithAClearMessage) {
    EXPECT_EQ(messageOf([] { readPacket(GetParam().bytes); }).toStdString(),
              GetParam().expectedMessage);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DamagedBinaryPacket,
    ::testing::Values(
        DamagedBytes{"Nothing", {}, "The data is neither a binary nor an XML data packet."},
        DamagedBytes{"SignatureAlone", "\x96\x19\xE0\xBD",
                     "The data packet is damaged: it ends inside the header."},
        DamagedBytes{"OtherVersion", patched(4, "\x02"),
                     "The data packet has version 2; Savrona reads version 1 only."},
        DamagedBytes{"OtherHeaderSize", patched(8, "\x19"),
                     "The data packet is damaged: its header size is not 24."},
        DamagedBytes{"RowCountOfFourBillion", patched(14, "\xFF\xFF\xFF\xFF"),
                     "The data packet is damaged: it ends inside row 2."},
        DamagedBytes{"FieldCountOfThousands", patched(12, "\xFF\xFF"),
                     "The data packet is damaged: it ends inside field descriptor 3."},
        DamagedBytes{
            "FirstRowOffsetWrong", patched(22, "\x3F"),
            "The data packet is damaged: its rows do not start where its descriptors end."},
        DamagedBytes{"PropertyCountPastTheEnd", patched(46, "\xFF\xFF"),
                     "The data packet is damaged: it ends inside field descriptor 2."},
        DamagedBytes{"FieldOfAnArrayType", patched(42, "\xC9"),
                     "The data packet is damaged: the field \"Name\" is an array, which Savrona "
                     "cannot read."},
        DamagedBytes{"FieldLengthOfThreeBytes", patched(40, "\x03"),
                     "The data packet is damaged: the field \"Name\" has a length of 3 bytes."},
        DamagedBytes{"PropertyOfAVariableArray", patched(56, "\xC2"),
                     "The data packet is damaged: the property \"WIDTH\" has an array type Savrona "
                     "cannot read."},
        DamagedBytes{"PropertyLengthOfThreeBytes", patched(54, QByteArrayView("\x03\x00\x42", 3)),
                     "The data packet is damaged: the property \"WIDTH\" has a length of 3 bytes."},
        DamagedBytes{"ArrayCountPastTheEnd",
                     patched(54, QByteArrayView("\x04\x00\x82\x00\xFF\xFF\xFF\xFF", 8)),
                     "The data packet is damaged: it ends inside field descriptor 2."},
        DamagedBytes{"TextLengthPastTheEnd", patched(68, "\xC8"),
                     "The data packet is damaged: it ends inside row 1."},
        DamagedBytes{"UnknownNullIndicator", patched(63, "\x03"),
                     "The data packet is damaged: row 1 has an unknown null indicator for the "
                     "field \"ID\"."},
        DamagedBytes{"StrayIndicatorBits", patched(63, "\x10"),
                     "The data packet is damaged: row 1 has stray bits after its null indicators."},
        DamagedBytes{"StrayBytesAfterTheLastRow", validPacket() + QByteArray(1, '\0'),
                     "The data packet is damaged: stray bytes follow its last row."}),
    [](const auto& info) { return info.param.name; });

TEST(DamagedBinaryPacket, EveryTruncationIsRefused) {
    const QByteArray packet = validPacket();
    for (qsizetype length = 0; length < packet.size(); ++length) {
        EXPECT_THAT(messageOf([&] { readPacket(packet.first(length)); }).toStdString(),
                    ::testing::AnyOf(StartsWith("The data packet is damaged: it ends inside"),
                                     StartsWith("The data is neither")))
            << "length " << length;
    }
}

} // namespace
} // namespace savrona
