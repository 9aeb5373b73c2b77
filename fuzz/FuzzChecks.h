#pragma once

// What every packet that readPacket accepts must satisfy; a breach aborts,
// which libFuzzer (or the replay driver) reports with the input.

#include "Error.h"
#include "PacketFormats.h"

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

// Both forms that Savrona writes give back the packet unchanged. Writing may
// refuse what its form cannot hold (a width beyond 65535 in binary, a control
// character in a field name in XML), with an Error.
inline void checkSurvivesBothForms(const Packet& packet) {
    try {
        if (readPacket(writeXmlPacket(packet)) != packet)
            fail("the XML form changed the packet");
    } catch (const Error&) {
    }
    try {
        if (readPacket(writeBinaryPacket(packet)) != packet)
            fail("the binary form changed the packet");
    } catch (const Error&) {
    }
}

} // namespace savrona::fuzzing
