// Reads the numbers, ranges and units at the start of an ingredient line.
#include "cookbook/card/IngredientLine.h"

#include <array>
#include <cmath>

namespace savrona {

namespace {

// Longer runs of digits are no amount (and would not fit a double exactly).
constexpr qsizetype maxDigits = 15;

struct VulgarFraction {
    char16_t glyph;
    double value;
};

constexpr std::array<VulgarFraction, 18> vulgarFractions = {{
    {u'½', 1.0 / 2},
    {u'⅓', 1.0 / 3},
    {u'⅔', 2.0 / 3},
    {u'¼', 1.0 / 4},
    {u'¾', 3.0 / 4},
    {u'⅕', 1.0 / 5},
    {u'⅖', 2.0 / 5},
    {u'⅗', 3.0 / 5},
    {u'⅘', 4.0 / 5},
    {u'⅙', 1.0 / 6},
    {u'⅚', 5.0 / 6},
    {u'⅐', 1.0 / 7},
    {u'⅛', 1.0 / 8},
    {u'⅜', 3.0 / 8},
    {u'⅝', 5.0 / 8},
    {u'⅞', 7.0 / 8},
    {u'⅑', 1.0 / 9},
    {u'⅒', 1.0 / 10},
}};

// A number as read, with what it tells of how the line writes numbers.
struct Number {
    explicit Number(double value, NumberForm form = NumberForm::Whole, bool spacedUnicode = false,
                    std::optional<QChar> decimalSeparator = std::nullopt)
        : value(value), form(form), spacedUnicode(spacedUnicode),
          decimalSeparator(decimalSeparator) {}

    double value;
    NumberForm form;
    bool spacedUnicode; // "1 ½"
    std::optional<QChar> decimalSeparator;
};

std::optional<double> vulgarValueAt(QStringView text, qsizetype position) {
    if (position >= text.size())
        return std::nullopt;
    for (const VulgarFraction& fraction : vulgarFractions) {
        if (text[position] == QChar(fraction.glyph))
            return fraction.value;
    }
    return std::nullopt;
}

bool isDigitAt(QStringView text, qsizetype position) {
    return position < text.size() && text[position] >= u'0' && text[position] <= u'9';
}

bool isAt(QStringView text, qsizetype position, QChar character) {
    return position < text.size() && text[position] == character;
}

bool isSlashAt(QStringView text, qsizetype position) {
    return isAt(text, position, u'/') || isAt(text, position, u'⁄');
}

bool isDashAt(QStringView text, qsizetype position) {
    return isAt(text, position, u'-') || isAt(text, position, u'–') || isAt(text, position, u'—');
}

qsizetype pastBlanks(QStringView text, qsizetype position) {
    while (position < text.size() && text[position].isSpace())
        ++position;
    return position;
}

struct Digits {
    double value;
    qsizetype count;
};

std::optional<Digits> readDigits(QStringView text, qsizetype& position) {
    qsizetype end = position;
    double value = 0;
    while (isDigitAt(text, end) && end - position <= maxDigits) {
        value = value * 10 + (text[end].unicode() - u'0');
        ++end;
    }
    const qsizetype count = end - position;
    if (count == 0 || count > maxDigits)
        return std::nullopt;
    position = end;
    return Digits{value, count};
}

// "1,000" and "12,500,000": groups of three after a comma, read as thousands rather than
// as a decimal comma; no more groups than make a number of maxDigits.
std::optional<double> readThousands(QStringView text, qsizetype& position, Digits whole) {
    if (whole.value < 1 || whole.count > 3)
        return std::nullopt;
    double value = whole.value;
    qsizetype end = position;
    for (qsizetype digits = whole.count; digits + 3 <= maxDigits && isAt(text, end, u',');
         digits += 3) {
        qsizetype groupEnd = end + 1;
        const std::optional<Digits> group = readDigits(text, groupEnd);
        if (!group || group->count != 3)
            break;
        value = value * 1000 + group->value;
        end = groupEnd;
    }
    if (end == position)
        return std::nullopt;
    position = end;
    return value;
}

std::optional<Number> readDecimal(QStringView text, qsizetype& position, Digits whole) {
    const QChar separator = text[position];
    qsizetype end = position + 1;
    const std::optional<Digits> decimals = readDigits(text, end);
    if (!decimals)
        return std::nullopt;
    position = end;
    return Number{whole.value + decimals->value / std::pow(10.0, double(decimals->count)),
                  NumberForm::Decimal, false, separator};
}

std::optional<double> readFraction(QStringView text, qsizetype& position) {
    qsizetype end = position;
    const std::optional<Digits> numerator = readDigits(text, end);
    if (!numerator || !isSlashAt(text, end))
        return std::nullopt;
    ++end;
    const std::optional<Digits> denominator = readDigits(text, end);
    if (!denominator || denominator->value == 0)
        return std::nullopt;
    position = end;
    return numerator->value / denominator->value;
}

// After a whole number: "1 1/2", "1-1/2", with a proper fraction.
std::optional<double> readMixedPart(QStringView text, qsizetype& position) {
    qsizetype start = pastBlanks(text, position);
    if (start == position) {
        if (!isAt(text, position, u'-'))
            return std::nullopt;
        ++start;
    }
    qsizetype end = start;
    const std::optional<double> fraction = readFraction(text, end);
    if (!fraction || *fraction >= 1)
        return std::nullopt;
    position = end;
    return fraction;
}

std::optional<Number> readNumber(QStringView text, qsizetype& position) {
    if (const std::optional<double> vulgar = vulgarValueAt(text, position)) {
        ++position;
        return Number{*vulgar, NumberForm::UnicodeFraction};
    }
    qsizetype end = position;
    const std::optional<Digits> whole = readDigits(text, end);
    if (!whole)
        return std::nullopt;
    std::optional<Number> number;
    const qsizetype spacedGlyph = pastBlanks(text, end);
    if ((isAt(text, end, u'.') || isAt(text, end, u',')) && isDigitAt(text, end + 1)) {
        if (isAt(text, end, u','))
            if (const std::optional<double> thousands = readThousands(text, end, *whole))
                number = Number{*thousands};
        if (!number)
            number = readDecimal(text, end, *whole);
    } else if (isSlashAt(text, end)) {
        end = position;
        if (const std::optional<double> fraction = readFraction(text, end))
            number = Number{*fraction, NumberForm::Fraction};
    } else if (const std::optional<double> glued = vulgarValueAt(text, end)) {
        ++end;
        number = Number{whole->value + *glued, NumberForm::UnicodeFraction};
    } else if (const std::optional<double> spaced = vulgarValueAt(text, spacedGlyph);
               spaced && spacedGlyph > end) {
        end = spacedGlyph + 1;
        number = Number{whole->value + *spaced, NumberForm::UnicodeFraction, true};
    } else if (const std::optional<double> mixed = readMixedPart(text, end)) {
        number = Number{whole->value + *mixed, NumberForm::Fraction};
    } else {
        number = Number{whole->value};
    }
    if (number)
        position = end;
    return number;
}

// Past the joiner of a range: "-", "–" or "to", with or without blanks around a dash.
std::optional<qsizetype> pastRangeJoiner(QStringView text, qsizetype position) {
    const qsizetype afterBlanks = pastBlanks(text, position);
    if (isDashAt(text, afterBlanks))
        return pastBlanks(text, afterBlanks + 1);
    const bool toWord = afterBlanks > position && afterBlanks + 2 < text.size() &&
                        text.sliced(afterBlanks, 2).compare(u"to", Qt::CaseInsensitive) == 0 &&
                        text[afterBlanks + 2].isSpace();
    if (toWord)
        return pastBlanks(text, afterBlanks + 2);
    return std::nullopt;
}

void noteWriting(const Number& number, LineWriting& writing) {
    if (number.form == NumberForm::UnicodeFraction) {
        writing.unicodeFractions = true;
        if (number.spacedUnicode)
            writing.gluedFractions = false;
    }
    if (number.decimalSeparator)
        writing.decimalSeparator = *number.decimalSeparator;
}

bool isLetterAt(QStringView text, qsizetype position) {
    return position < text.size() && text[position].isLetter();
}

// A number glued to a word, a hyphenated word, a percentage or degrees is a size or a
// name, not an amount: "1-inch", "2nd", "2% milk".
bool endsAsAnAmount(QStringView text, qsizetype position) {
    if (position >= text.size())
        return true;
    const QChar next = text[position];
    if (next.isLetter() || next == u'%' || next == u'°' || next == u'º')
        return false;
    return !(next == u'-' && isLetterAt(text, position + 1));
}

// What lets a unit follow an amount: blanks, nothing, or in parentheses also a hyphen
// ("14-ounce").
enum class UnitGap { Blanks, BlanksOrHyphen };

std::optional<Measure> readMeasure(QStringView text, qsizetype position, UnitGap gap,
                                   LineWriting& writing) {
    Measure measure;
    measure.start = position;
    LineWriting read = writing;
    const std::optional<Amount> amount = readAmount(text, position, &read);
    if (!amount)
        return std::nullopt;
    measure.amount = *amount;
    measure.amountEnd = position;
    qsizetype unitStart = pastBlanks(text, position);
    if (gap == UnitGap::BlanksOrHyphen && unitStart == position && isAt(text, position, u'-'))
        ++unitStart;
    if (const std::optional<WrittenUnit> unit = readUnit(text.sliced(unitStart))) {
        measure.unit = unit->unit;
        measure.unitStart = unitStart;
        measure.end = unitStart + unit->length;
    } else if (!endsAsAnAmount(text, position)) {
        return std::nullopt;
    } else {
        measure.unitStart = measure.end = position;
    }
    writing = read;
    return measure;
}

qsizetype pastBullet(QStringView text) {
    const qsizetype start = pastBlanks(text, 0);
    if (start + 1 < text.size() && text[start + 1].isSpace() &&
        QStringView(u"-*•·–").contains(text[start]))
        return pastBlanks(text, start + 1);
    return start;
}

// "(14 oz)" after the first measure: sets the measure in parentheses and its group.
void readParentheses(QStringView text, IngredientLine& line) {
    const qsizetype open = pastBlanks(text, line.measure->end);
    if (!isAt(text, open, u'('))
        return;
    LineWriting writing = line.writing;
    const std::optional<Measure> inner =
        readMeasure(text, pastBlanks(text, open + 1), UnitGap::BlanksOrHyphen, writing);
    if (!inner || !inner->unit)
        return;
    const qsizetype close = pastBlanks(text, inner->end);
    if (!isAt(text, close, u')'))
        return;
    line.inParentheses = inner;
    line.groupStart = line.measure->end;
    line.groupEnd = close + 1;
    line.itemStart = pastBlanks(text, line.groupEnd);
    line.writing = writing;
}

} // namespace

NumberStyle LineWriting::styleFor(NumberForm form, std::optional<Unit> unit) const {
    const bool metricWhole =
        form == NumberForm::Whole && unit && systemOf(*unit) == UnitSystem::Metric;
    const bool decimals = form == NumberForm::Decimal || metricWhole;
    return {decimals ? NumberStyle::Kind::Decimals : NumberStyle::Kind::Fractions, unicodeFractions,
            gluedFractions, decimalSeparator};
}

NumberStyle LineWriting::styleFor(UnitSystem system) const {
    return {system == UnitSystem::Metric ? NumberStyle::Kind::Decimals
                                         : NumberStyle::Kind::Fractions,
            unicodeFractions, gluedFractions, decimalSeparator};
}

std::optional<Amount> readAmount(QStringView text, qsizetype& position, LineWriting* writing) {
    qsizetype end = position;
    const std::optional<Number> low = readNumber(text, end);
    if (!low)
        return std::nullopt;
    Amount amount{low->value, std::nullopt, QString(), low->form};
    std::optional<Number> high;
    if (const std::optional<qsizetype> highStart = pastRangeJoiner(text, end)) {
        qsizetype highEnd = *highStart;
        high = readNumber(text, highEnd);
        if (high) {
            amount.high = high->value;
            amount.rangeJoiner = text.sliced(end, *highStart - end).toString();
            amount.form = moreParticular(amount.form, high->form);
            end = highEnd;
        }
    }
    if (writing) {
        noteWriting(*low, *writing);
        if (high)
            noteWriting(*high, *writing);
    }
    position = end;
    return amount;
}

IngredientLine readIngredientLine(QStringView text) {
    IngredientLine line;
    line.itemStart = pastBullet(text);
    line.measure = readMeasure(text, line.itemStart, UnitGap::Blanks, line.writing);
    if (!line.measure)
        return line;
    line.itemStart = pastBlanks(text, line.measure->end);
    readParentheses(text, line);
    return line;
}

} // namespace savrona
