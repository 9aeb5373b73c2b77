#pragma once

// What every packet that readPacket accepts must satisfy; a breach aborts,
// which libFuzzer (or the replay driver) reports with the input.

#include "data/Error.h"
#include "data/packets/PacketFormats.h"

#include <cstdio>
#include <cstdlib>

namespace savrona::fuzzing {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void checkTextsAreUtf8(const Packet& packet) {
    for (const Row& row : packet.rows) {
        if (row.size() != packet.fields.size())
            fail("a row does not have one value per field");
        for (const Value& value : row) {
            if (value.isText() && !QByteArrayView(value.utf8()).isValidUtf8())
                fail("a text read is not valid UTF-8");
        }
    }
}

// Both forms that Savrona writes give back the packet unchanged, and so does
// the original engine's XML layout for a packet read in it (writeXmlPacket
// writes that one then). Writing may refuse what its form cannot hold (a
// width beyond 65535 in binary, a control character in a field name in XML),
// with an Error.
inline void checkSurvivesBothForms(const Packet& packet) {
    Packet content = packet;
    content.dataPacketXmlLayout.reset();
    try {
        if (readPacket(writeXmlPacket(packet)) != packet)
            fail("the XML form changed the packet");
    } catch (const Error&) {
    }
    if (packet.dataPacketXmlLayout) {
        try {
            if (readPacket(writeXmlPacket(content)) != content)
                fail("Savrona's own XML layout changed the packet read in the engine's");
        } catch (const Error&) {
        }
    }
    try {
        if (readPacket(writeBinaryPacket(packet)) != content)
            fail("the binary form changed the packet");
    } catch (const Error&) {
    }
}

} // namespace savrona::fuzzing
