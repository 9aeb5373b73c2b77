// XML packets: reading refuses or gives a well-formed packet, and that packet
// survives both forms that Savrona writes. The reader in pieces, forced at
// these small sizes, gives nothing or exactly what the whole reader gives.

#include "FuzzChecks.h"
#include "XmlPacket.h"
#include "XmlPiecesReader.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace savrona;

void checkPiecesMatchTheWholeReader(QByteArrayView bytes) {
    for (const XmlPiecesSettings& settings :
         {XmlPiecesSettings{2, 0, 1}, XmlPiecesSettings{3, 0, 64}}) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    checkPiecesMatchTheWholeReader(bytes);
    try {
        const Packet packet = readPacket(bytes);
        fuzzing::checkTextsAreUtf8(packet);
        fuzzing::checkSurvivesBothForms(packet);
    } catch (const Error&) {
    }
    return 0;
}
