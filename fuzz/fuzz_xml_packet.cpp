// XML packets, Savrona's own layout and the original engine's <DATAPACKET>:
// reading refuses or gives a well-formed packet, and that packet survives
// both forms that Savrona writes, and the engine's layout it came in. The
// readers in pieces, forced at these small sizes, give nothing or exactly
// what the whole readers give.

#include "FuzzChecks.h"
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlPiecesReader.h"

#include <cstddef>
#include <cstdint>
#include <variant>

namespace {

using namespace savrona;

const XmlPiecesSettings forcedSettings[] = {{2, 0, 1}, {3, 0, 64}};

void checkPiecesMatchTheWholeReader(QByteArrayView bytes) {
    for (const XmlPiecesSettings& settings : forcedSettings) {
        const std::optional<Packet> inPieces = readXmlPacketInPieces(bytes, settings);
        if (!inPieces)
            continue;
        try {
            if (readXmlPacketOnOneThread(bytes) != *inPieces)
                fuzzing::fail("the pieces gave another packet than the whole reader");
        } catch (const Error&) {
            fuzzing::fail("the pieces read a packet that the whole reader refuses");
        }
    }
}

using Outcome = std::variant<Packet, QString>;

// The engine's layout: the same packet or the same message, or the pieces
// reader declines.
void checkDataPacketPiecesMatchTheWholeReader(QByteArrayView bytes) {
    Outcome whole;
    try {
        whole = readDataPacketXmlOnOneThread(bytes);
    } catch (const Error& error) {
        whole = error.message();
    }
    for (const XmlPiecesSettings& settings : forcedSettings) {
        try {
            const std::optional<Packet> inPieces = readDataPacketXmlInPieces(bytes, settings);
            if (inPieces && Outcome(*inPieces) != whole)
                fuzzing::fail(
                    "the engine layout's pieces gave another packet than the whole reader");
        } catch (const Error& error) {
            if (Outcome(error.message()) != whole)
                fuzzing::fail("the engine layout's pieces gave another message than the whole "
                              "reader");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    if (looksLikeDataPacketXml(bytes))
        checkDataPacketPiecesMatchTheWholeReader(bytes);
    else
        checkPiecesMatchTheWholeReader(bytes);
    try {
        const Packet packet = readPacket(bytes);
        fuzzing::checkTextsAreUtf8(packet);
        fuzzing::checkSurvivesBothForms(packet);
    } catch (const Error&) {
    }
    return 0;
}
