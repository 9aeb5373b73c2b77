// Scores the bytes beyond ASCII of a text as code page 437 and as Windows-1252.
#include "cookbook/exchange/formats/CodePageGuess.h"

#include "data/packets/Windows1252.h"

#include <QChar>
#include <QString>

#include <algorithm>

namespace savrona {

namespace {

// What stands beside a byte beyond ASCII: another such byte, which tells
// nothing by itself.
constexpr char beyondAscii = '\x80';

// The characters next to a byte: ASCII, 0 beyond the line's ends, or
// beyondAscii.
struct Neighbours {
    char before;
    char after;

    bool letterBefore() const { return isLetter(before); }
    bool letterAfter() const { return isLetter(after); }
    bool digitBefore() const { return before >= '0' && before <= '9'; }
    bool digitAfter() const { return after >= '0' && after <= '9'; }
    bool lowerCaseAround() const { return isLower(before) || isLower(after); }
    bool spaceBefore() const { return before == ' ' || before == 0; }
    bool spaceAfter() const { return after == ' ' || after == 0; }

    static bool isLower(char character) { return character >= 'a' && character <= 'z'; }
    static bool isLetter(char character) {
        return isLower(character) || (character >= 'A' && character <= 'Z');
    }
};

bool isOneOf(char16_t character, std::initializer_list<char16_t> characters) {
    return std::find(characters.begin(), characters.end(), character) != characters.end();
}

int letterSense(QChar letter, Neighbours around) {
    if (letter.script() != QChar::Script_Latin)
        return -1; // Greek in a recipe is code page 437's box of symbols
    if (!around.letterBefore() && !around.letterAfter())
        return around.spaceBefore() && around.spaceAfter() ? 1 : 0; // "à la"
    int sense = (around.letterBefore() ? 1 : 0) + (around.letterAfter() ? 1 : 0);
    if (around.digitBefore() || around.digitAfter())
        --sense;
    if (letter.isUpper() && around.lowerCaseAround())
        --sense;
    return sense;
}

// How much sense the character makes between its neighbours: above 0 for
// sense, below for nonsense.
int sense(char16_t character, Neighbours around) {
    if (character >= 0x80 && character <= 0x9F)
        return -4; // a byte the code page leaves undefined
    if (character >= 0x2500 && character <= 0x25FF)
        return -2; // box drawing, blocks, shades
    if (isOneOf(character, {0x2310, 0x2320, 0x2321, 0x2219, 0x221A, 0x221E, 0x2229, 0x2248, 0x2261,
                            0x2264, 0x2265, 0x207F, 0x20A7}))
        return -2;
    if (isOneOf(character, {0x00B0, 0x00BD, 0x00BC, 0x00BE})) // degrees, fractions
        return around.digitBefore() || around.spaceBefore() ? 3 : 0;
    if (isOneOf(character, {0x2019, 0x2018}))
        return around.letterBefore() && around.letterAfter() ? 2 : 0;
    if (isOneOf(character, {0x201C, 0x201A, 0x201E}))
        return around.spaceBefore() && around.letterAfter() ? 1 : -1; // opening quotes
    if (character == 0x201D)
        return around.letterBefore() && around.spaceAfter() ? 1 : -1;
    if (isOneOf(character, {0x2013, 0x2014}))
        return (around.spaceBefore() || around.digitBefore()) &&
                       (around.spaceAfter() || around.digitAfter())
                   ? 1
                   : 0;
    const QChar asCharacter(character);
    if (asCharacter.isLetter())
        return letterSense(asCharacter, around);
    return 0;
}

// The character of Windows-1252 for a byte; a C1 control for the five
// bytes it leaves undefined.
char16_t windows1252Character(unsigned char byte) {
    const char single = char(byte);
    return QString::fromUtf8(windows1252ToUtf8(QByteArrayView(&single, 1))).at(0).unicode();
}

} // namespace

void CodePageGuess::add(QByteArrayView line) {
    if (line.isValidUtf8())
        return; // ASCII, or UTF-8: nothing to tell
    for (qsizetype at = 0; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        if (byte < 0x80)
            continue;
        const auto neighbour = [&](qsizetype index) {
            if (index < 0 || index >= line.size())
                return char(0);
            return static_cast<unsigned char>(line[index]) < 0x80 ? line[index] : beyondAscii;
        };
        const Neighbours around{neighbour(at - 1), neighbour(at + 1)};
        m_ibm437 += sense(ibm437Character(byte), around);
        m_windows1252 += sense(windows1252Character(byte), around);
    }
}

CodePage CodePageGuess::guess() const {
    return m_ibm437 > m_windows1252 ? CodePage::Ibm437 : CodePage::Windows1252;
}

} // namespace savrona
