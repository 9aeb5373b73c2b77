// Temperatures in the preparation shown in the other scale, rounded as ovens are set.
#include "cookbook/card/Temperatures.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

using namespace savrona;

namespace {

struct TemperatureCase {
    const char* text;
    UnitMode mode;
    const char* shown;
};

void PrintTo(const TemperatureCase& row, std::ostream* out) {
    *out << row.text << " mode " << int(row.mode);
}

class TemperatureConversion : public ::testing::TestWithParam<TemperatureCase> {};

TEST_P(TemperatureConversion, ShowsTheText) {
    EXPECT_EQ(convertTemperatures(QString::fromUtf8(GetParam().text), GetParam().mode),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemperatureConversion,
    ::testing::Values(
        TemperatureCase{"Bake at 350°F for 20 minutes.", UnitMode::Metric,
                        "Bake at 180°C for 20 minutes."},
        TemperatureCase{"Preheat to 350 °F.", UnitMode::Metric, "Preheat to 180 °C."},
        TemperatureCase{"Heat to 400 degrees F", UnitMode::Metric, "Heat to 200 degrees C"},
        TemperatureCase{"at 375 degrees Fahrenheit", UnitMode::Metric, "at 190 degrees Celsius"},
        TemperatureCase{"Roast at 425F, then 325°F.", UnitMode::Metric,
                        "Roast at 220C, then 160°C."},
        TemperatureCase{"Bake at 350-375°F", UnitMode::Metric, "Bake at 180-190°C"},
        TemperatureCase{"Cook to 145°F inside", UnitMode::Metric, "Cook to 63°C inside"},
        TemperatureCase{"Bake at 180°C", UnitMode::Us, "Bake at 350°F"},
        TemperatureCase{"Bake at 200C", UnitMode::Us, "Bake at 400F"},
        TemperatureCase{"at 220 °C or 160ºc", UnitMode::Us, "at 425 °F or 325ºf"},
        TemperatureCase{"Boil at 100°C", UnitMode::Us, "Boil at 212°F"},
        TemperatureCase{"Freeze at -18°C", UnitMode::Us, "Freeze at 0°F"},
        TemperatureCase{"Add 2 C flour, 1 c sugar", UnitMode::Us, "Add 2 C flour, 1 c sugar"},
        TemperatureCase{"Bake at 350°F", UnitMode::Us, "Bake at 350°F"},
        TemperatureCase{"Bake at 350°F", UnitMode::AsWritten, "Bake at 350°F"},
        TemperatureCase{"Section 2F, 20 Cups", UnitMode::Metric, "Section 2F, 20 Cups"}));

} // namespace
