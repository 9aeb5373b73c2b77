#pragma once

// The packets that the write-loop helper writes one after another, so that a
// test can check that a file left by a killed writer is one of them, whole.

#include "data/Value.h"

#include <QString>

#include <optional>

namespace savrona::test_support {

constexpr int writeLoopRowCount = 3000;

inline Packet writeLoopVersion(int version) {
    Packet packet;
    packet.fields = {{"ID", FieldType::Integer, 0},
                     {"Title", FieldType::Text, 255},
                     {"Ingredients", FieldType::Memo, 0}};
    const QString line =
        QStringLiteral("version %1: 2 cups of flour, ½ cup sugar, 180 °C\r\n").arg(version);
    for (int row = 0; row < writeLoopRowCount; ++row) {
        packet.rows.push_back(
            {Value::integer(version),
             Value::text(QStringLiteral("Recipe %1 of version %2").arg(row).arg(version)),
             Value::text(line.repeated(10 + row % 7))});
    }
    return packet;
}

// The version a packet claims to be, read from its first row.
inline std::optional<int> claimedWriteLoopVersion(const Packet& packet) {
    if (packet.rows.empty() || packet.rows[0].empty() || !packet.rows[0][0].isInteger())
        return std::nullopt;
    return packet.rows[0][0].integer();
}

} // namespace savrona::test_support
