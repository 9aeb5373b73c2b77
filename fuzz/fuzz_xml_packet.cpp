// XML packets: reading refuses or gives a well-formed packet, and that packet
// survives both forms that Savrona writes.

#include "FuzzChecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace savrona;
    try {
        const Packet packet = readPacket(QByteArrayView(data, qsizetype(size)));
        fuzzing::checkTextsAreUtf8(packet);
        fuzzing::checkSurvivesBothForms(packet);
    } catch (const Error&) {
    }
    return 0;
}
