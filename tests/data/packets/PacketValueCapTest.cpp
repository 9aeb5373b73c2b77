// A packet that declares more values than its size allows (many fields, rows
// of nulls) is refused with one message, whatever its form and whichever
// reader takes it: the whole document, or its rows in pieces (forced small),
// or in pieces giving the bytes back. A row that the readers would refuse
// stands last: the message is still the one of the cap, so the rows were
// counted before any was made, and the memory never grew with the values.
#include "data/ErrorMessage.h"
#include "data/packets/DataPacketXmlFromRaw.h"
#include "data/packets/PacketFormats.h"
#include "data/packets/binary/BinaryPacket.h"
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/packets/savrona-xml/XmlPacket.h"

#include <gtest/gtest.h>

#include <string>

namespace savrona {
namespace {

using test_support::messageOf;

constexpr int fieldCount = 100;
constexpr int rowCount = 40000;

// Pieces and chunks small enough that many chunks are read, and their pages
// given back, before the rows are found too many.
const XmlPiecesSettings forcedPieces{2, 0, 16 * 1024};

RawBinaryPacket oneRowOfNulls() {
    RawBinaryPacket packet;
    for (int number = 1; number <= fieldCount; ++number)
        packet.fields.push_back(RawField::integer("F" + QByteArray::number(number)));
    packet.rows.push_back({RowState::Current, std::vector<RawCell>(fieldCount, RawCell::null())});
    return packet;
}

// The binary packet of rowCount rows of nulls, made from that of one; the
// last row's indicators made unknown when the last row is to be refused.
QByteArray binaryPacket(bool lastRowRefused) {
    QByteArray bytes = writeRawBinaryPacket(oneRowOfNulls());
    const qsizetype rowSize = 1 + (2 * fieldCount + 7) / 8;
    bytes += bytes.right(rowSize).repeated(rowCount - 1);
    constexpr qsizetype rowCountOffset = 14;
    for (int byte = 0; byte < 4; ++byte)
        bytes[rowCountOffset + byte] = char((rowCount >> (8 * byte)) & 0xFF);
    if (lastRowRefused)
        bytes.back() = char(0xFF);
    return bytes;
}

// An XML document of one empty row with that row repeated, and the last
// one holding a word in an integer field when it is to be refused.
QByteArray withRowsOfNulls(QByteArray document, const QByteArray& emptyRow,
                           const QByteArray& refusedRow, bool lastRowRefused) {
    const QByteArray rows =
        emptyRow.repeated(rowCount - 1) + (lastRowRefused ? refusedRow : emptyRow);
    return document.replace(emptyRow, rows);
}

QByteArray ownXmlPacket(bool lastRowRefused) {
    return withRowsOfNulls(writeXmlPacket(mergeRawBinaryPacket(oneRowOfNulls())), "<row/>",
                           "<row f1=\"x\"/>", lastRowRefused);
}

QByteArray engineXmlPacket(bool lastRowRefused) {
    return withRowsOfNulls(test_support::dataPacketXmlFromRaw(oneRowOfNulls()), "<ROW/>",
                           "<ROW F1=\"x\"/>", lastRowRefused);
}

// As a table reads a file: what readPacketLettingGo declines after letting
// go of the bytes is read again from the file's bytes.
template <std::optional<Packet> (*readLettingGo)(QByteArray&&, const XmlPiecesSettings&)>
Packet readLettingGoOrAgain(const QByteArray& document) {
    if (std::optional<Packet> packet = readLettingGo(QByteArray(document), forcedPieces))
        return std::move(*packet);
    return readPacketInPlace(QByteArray(document));
}

template <std::optional<Packet> (*readInPieces)(QByteArrayView, const XmlPiecesSettings&),
          Packet (*readWhole)(QByteArrayView)>
Packet readInPiecesOrWhole(const QByteArray& document) {
    if (std::optional<Packet> packet = readInPieces(document, forcedPieces))
        return std::move(*packet);
    return readWhole(document);
}

Packet readWholeBinary(const QByteArray& bytes) {
    return readPacket(bytes);
}

Packet readWholeOwnXml(const QByteArray& document) {
    return readXmlPacketOnOneThread(document);
}

Packet readWholeEngineXml(const QByteArray& document) {
    return readDataPacketXmlOnOneThread(document);
}

struct CapCase {
    std::string name;
    QByteArray (*document)(bool lastRowRefused);
    Packet (*read)(const QByteArray& document);
};

void PrintTo(const CapCase& capCase, std::ostream* out) {
    *out << capCase.name;
}

// The binary form has no reader in pieces: a packet is read whole.
const CapCase capCases[] = {
    {"BinaryWhole", binaryPacket, readWholeBinary},
    {"OwnXmlWhole", ownXmlPacket, readWholeOwnXml},
    {"OwnXmlInPieces", ownXmlPacket,
     readInPiecesOrWhole<readXmlPacketInPieces, readXmlPacketOnOneThread>},
    {"OwnXmlLettingGo", ownXmlPacket, readLettingGoOrAgain<readXmlPacketLettingGo>},
    {"EngineXmlWhole", engineXmlPacket, readWholeEngineXml},
    {"EngineXmlInPieces", engineXmlPacket,
     readInPiecesOrWhole<readDataPacketXmlInPieces, readDataPacketXmlOnOneThread>},
    {"EngineXmlLettingGo", engineXmlPacket, readLettingGoOrAgain<readDataPacketXmlLettingGo>},
};

class PacketValueCap : public ::testing::TestWithParam<CapCase> {};

TEST_P(PacketValueCap, RefusesTooManyValuesBeforeMakingTheRows) {
    for (const bool lastRowRefused : {false, true}) {
        const QByteArray document = GetParam().document(lastRowRefused);
        EXPECT_EQ(messageOf([&] { GetParam().read(document); }).toStdString(),
                  QStringLiteral("The data packet is damaged: its %1 rows of %2 fields are too "
                                 "many for a packet of %3 bytes.")
                      .arg(rowCount)
                      .arg(fieldCount)
                      .arg(document.size())
                      .toStdString())
            << (lastRowRefused ? "the last row refused" : "every row of nulls");
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, PacketValueCap, ::testing::ValuesIn(capCases),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace savrona
