// Guessing the code page of texts that are not UTF-8, from what their bytes read as.
#include "cookbook/exchange/formats/CodePageGuess.h"

#include <QList>

#include <gtest/gtest.h>

using namespace savrona;

namespace {

struct GuessCase {
    const char* name;
    QList<QByteArray> lines;
    CodePage guess;
};

void PrintTo(const GuessCase& guessCase, std::ostream* out) {
    *out << guessCase.name;
}

class CodePageGuesses : public ::testing::TestWithParam<GuessCase> {};

TEST_P(CodePageGuesses, ReadTheBytesWhereTheyMakeSense) {
    CodePageGuess guess;
    for (const QByteArray& line : GetParam().lines)
        guess.add(line);
    EXPECT_EQ(guess.guess(), GetParam().guess);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePageGuesses,
    ::testing::Values(
        GuessCase{"DegreesAfterANumberIn437",
                  {"Bake at 350\xF8"
                   "F."},
                  CodePage::Ibm437},
        GuessCase{"AccentedLettersIn437",
                  {"Caf\x82 cr\x8A"
                   "me au citron"},
                  CodePage::Ibm437},
        GuessCase{"HalvesIn437", {"1\xAB cups milk", "\xAB tsp salt"}, CodePage::Ibm437},
        GuessCase{"AccentedLettersIn1252",
                  {"Cr\xE8me br\xFBl\xE9"
                   "e"},
                  CodePage::Windows1252},
        GuessCase{"TwoAccentedLettersSideBySideIn1252", {"M\xFC\xDFli"}, CodePage::Windows1252},
        GuessCase{
            "DegreesAndHalvesIn1252", {"Bake at 150\xB0 for \xBD hour."}, CodePage::Windows1252},
        GuessCase{"AnApostropheBetweenLettersIn1252", {"Don\x92t stir."}, CodePage::Windows1252},
        GuessCase{"QuotesAroundAWordIn1252", {"A \x93light\x94 supper"}, CodePage::Windows1252},
        GuessCase{"MostLinesDecide",
                  {"Caf\x82", "350\xF8",
                   "Pur\x82"
                   "e",
                   "na\xEFve"},
                  CodePage::Ibm437},
        GuessCase{"Utf8LinesTellNothing",
                  {"Caf\xC3\xA9 at 350\xC2\xB0"
                   "F"},
                  CodePage::Windows1252},
        GuessCase{"NothingToTellIsWindows1252", {"plain text", ""}, CodePage::Windows1252}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
