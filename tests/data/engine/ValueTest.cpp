#include "data/Value.h"

#include <gtest/gtest.h>

namespace {

using savrona::Value;

class ValueTextRoundTrip : public ::testing::TestWithParam<QString> {};

// Whatever a user types comes back unchanged from a stored value.
TEST_P(ValueTextRoundTrip, GivesBackTheSameText) {
    EXPECT_EQ(Value::text(GetParam()).toQString(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValueTextRoundTrip,
    ::testing::Values(
        QString(), QStringLiteral("Grandma's Pie"), QStringLiteral("\uFEFFLeading byte-order mark"),
        QStringLiteral("\u5BFF\u53F8 \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"),
        QString::fromUtf8("\xF0\x9F\x8D\xB0 cake"), QStringLiteral("a\r\nb")));

} // namespace
