// The servings a recipe's servings field tells.
#include "cookbook/card/ServingsReader.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

using namespace savrona;

namespace {

struct ServingsCase {
    const char* text;
    std::optional<double> servings;
};

void PrintTo(const ServingsCase& row, std::ostream* out) {
    *out << '"' << row.text << '"';
}

class ServingsReading : public ::testing::TestWithParam<ServingsCase> {};

TEST_P(ServingsReading, GivesTheNumber) {
    EXPECT_EQ(readServings(QString::fromUtf8(GetParam().text)), GetParam().servings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServingsReading,
    ::testing::Values(ServingsCase{"4", 4}, ServingsCase{"4 servings", 4},
                      ServingsCase{"Serves 4-6", 4}, ServingsCase{"Serves 4 to 6", 4},
                      ServingsCase{"Makes 12 cookies", 12}, ServingsCase{"6 portions", 6},
                      ServingsCase{"serves Four", 4}, ServingsCase{"1 1/2 dozen", 1.5},
                      ServingsCase{"Yield: 2 loaves (24 slices)", 2}, ServingsCase{"½", 0.5},
                      ServingsCase{"0 or 2", 2}, ServingsCase{"", std::nullopt},
                      ServingsCase{"a few", std::nullopt}, ServingsCase{"someone", std::nullopt},
                      ServingsCase{"0", std::nullopt}));

} // namespace
