#pragma once

#include "support/FakeSeams.h"

#include <QString>

#include <cstdio>

namespace savrona {

// The seams of a benchmark's main window: the placement kept in memory, so a
// benchmark never touches the user's settings; every question answered Yes;
// and any other message printed, as a benchmark that meets one is not timing
// what it meant to.
class BenchSeams {
public:
    BenchSeams() {
        m_fake.messages.beforeAnswer = [](const testing::FakeMessageBoxes::Shown& box) {
            if (box.kind != MessageBoxes::Kind::Confirmation)
                std::fprintf(stderr, "message: %s\n", qPrintable(box.text));
        };
    }

    Platform& platform() { return m_fake.platform; }

private:
    testing::FakePlatform m_fake;
};

} // namespace savrona
