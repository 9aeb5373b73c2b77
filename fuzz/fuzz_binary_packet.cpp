// Binary packets: the raw model reads and writes every byte back unchanged,
// merging refuses or gives a well-formed packet, and that packet survives
// both forms that Savrona writes.

#include "FuzzChecks.h"
#include "data/packets/binary/BinaryPacket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace savrona;
    const QByteArrayView bytes(data, qsizetype(size));
    RawBinaryPacket raw;
    try {
        raw = readRawBinaryPacket(bytes);
    } catch (const Error&) {
        return 0;
    }
    if (writeRawBinaryPacket(raw) != bytes)
        fuzzing::fail("the raw packet was not written back byte for byte");
    try {
        const Packet packet = mergeRawBinaryPacket(raw);
        fuzzing::checkTextsAreUtf8(packet);
        fuzzing::checkSurvivesBothForms(packet);
    } catch (const Error&) {
    }
    return 0;
}
