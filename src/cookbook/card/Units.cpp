// The unit table: sizes, systems and the spellings read and written.
#include "cookbook/card/Units.h"

#include <array>
#include <string_view>

namespace savrona {

namespace {

// US customary measures, from the teaspoon up; the ounce and pound are avoirdupois.
constexpr double teaspoonMl = 4.92892159375;
constexpr double ounceG = 28.349523125;

// One way of writing a unit, in its singular and plural. A word changes with the number
// before it; an abbreviation is left as written. In a spelling a blank stands for any
// number of blanks in the text, none included ("fl oz", "floz").
struct Spelling {
    Unit unit;
    std::u16string_view singular;
    std::u16string_view plural;
    bool word = false;
    bool caseCounts = false;
};

constexpr std::array spellings = {
    Spelling{Unit::Teaspoon, u"teaspoon", u"teaspoons", true},
    Spelling{Unit::Teaspoon, u"tsp", u"tsps"},
    Spelling{Unit::Teaspoon, u"t", u"t", false, true},
    Spelling{Unit::Tablespoon, u"tablespoon", u"tablespoons", true},
    Spelling{Unit::Tablespoon, u"tbsp", u"tbsps"},
    Spelling{Unit::Tablespoon, u"tbs", u"tbl"},
    Spelling{Unit::Tablespoon, u"tblsp", u"tbls"},
    Spelling{Unit::Tablespoon, u"T", u"T", false, true},
    Spelling{Unit::FluidOunce, u"fluid ounce", u"fluid ounces", true},
    Spelling{Unit::FluidOunce, u"fl oz", u"fl. oz"},
    Spelling{Unit::FluidOunce, u"fluid oz", u"fl ounces"},
    Spelling{Unit::Cup, u"cup", u"cups", true},
    Spelling{Unit::Cup, u"c", u"c"},
    Spelling{Unit::Pint, u"pint", u"pints", true},
    Spelling{Unit::Pint, u"pt", u"pts"},
    Spelling{Unit::Quart, u"quart", u"quarts", true},
    Spelling{Unit::Quart, u"qt", u"qts"},
    Spelling{Unit::Gallon, u"gallon", u"gallons", true},
    Spelling{Unit::Gallon, u"gal", u"gals"},
    Spelling{Unit::Millilitre, u"millilitre", u"millilitres", true},
    Spelling{Unit::Millilitre, u"milliliter", u"milliliters", true},
    Spelling{Unit::Millilitre, u"ml", u"mls"},
    Spelling{Unit::Centilitre, u"centilitre", u"centilitres", true},
    Spelling{Unit::Centilitre, u"centiliter", u"centiliters", true},
    Spelling{Unit::Centilitre, u"cl", u"cl"},
    Spelling{Unit::Decilitre, u"decilitre", u"decilitres", true},
    Spelling{Unit::Decilitre, u"deciliter", u"deciliters", true},
    Spelling{Unit::Decilitre, u"dl", u"dl"},
    Spelling{Unit::Litre, u"litre", u"litres", true},
    Spelling{Unit::Litre, u"liter", u"liters", true},
    Spelling{Unit::Litre, u"l", u"lt"},
    Spelling{Unit::Ounce, u"ounce", u"ounces", true},
    Spelling{Unit::Ounce, u"oz", u"oz"},
    Spelling{Unit::Pound, u"pound", u"pounds", true},
    Spelling{Unit::Pound, u"lb", u"lbs"},
    Spelling{Unit::Gram, u"gram", u"grams", true},
    Spelling{Unit::Gram, u"gramme", u"grammes", true},
    Spelling{Unit::Gram, u"g", u"gr"},
    Spelling{Unit::Kilogram, u"kilogram", u"kilograms", true},
    Spelling{Unit::Kilogram, u"kilogramme", u"kilogrammes", true},
    Spelling{Unit::Kilogram, u"kilo", u"kilos", true},
    Spelling{Unit::Kilogram, u"kg", u"kgs"},
};

bool sameLetter(QChar written, char16_t spelled, bool caseCounts) {
    if (caseCounts)
        return written == QChar(spelled);
    return written.toCaseFolded() == QChar(spelled).toCaseFolded();
}

// The characters of text the spelling takes at its start, or -1.
qsizetype matchedLength(std::u16string_view spelling, bool caseCounts, QStringView text) {
    qsizetype position = 0;
    for (const char16_t spelled : spelling) {
        if (spelled == u' ') {
            while (position < text.size() && text[position].isSpace())
                ++position;
            continue;
        }
        if (position == text.size() || !sameLetter(text[position], spelled, caseCounts))
            return -1;
        ++position;
    }
    return position;
}

bool endsWord(QStringView text, qsizetype position) {
    return position == text.size() || !text[position].isLetterOrNumber();
}

QStringView viewOf(std::u16string_view text) {
    return QStringView(text.data(), qsizetype(text.size()));
}

} // namespace

UnitKind kindOf(Unit unit) {
    return unit >= Unit::Ounce ? UnitKind::Weight : UnitKind::Volume;
}

UnitSystem systemOf(Unit unit) {
    switch (unit) {
    case Unit::Millilitre:
    case Unit::Centilitre:
    case Unit::Decilitre:
    case Unit::Litre:
    case Unit::Gram:
    case Unit::Kilogram:
        return UnitSystem::Metric;
    default:
        return UnitSystem::Us;
    }
}

double baseSize(Unit unit) {
    switch (unit) {
    case Unit::Teaspoon:
        return teaspoonMl;
    case Unit::Tablespoon:
        return 3 * teaspoonMl;
    case Unit::FluidOunce:
        return 6 * teaspoonMl;
    case Unit::Cup:
        return 48 * teaspoonMl;
    case Unit::Pint:
        return 96 * teaspoonMl;
    case Unit::Quart:
        return 192 * teaspoonMl;
    case Unit::Gallon:
        return 768 * teaspoonMl;
    case Unit::Millilitre:
    case Unit::Gram:
        return 1;
    case Unit::Centilitre:
        return 10;
    case Unit::Decilitre:
        return 100;
    case Unit::Litre:
    case Unit::Kilogram:
        return 1000;
    case Unit::Ounce:
        return ounceG;
    case Unit::Pound:
        return 16 * ounceG;
    }
    return 1;
}

std::optional<WrittenUnit> readUnit(QStringView text) {
    const Spelling* found = nullptr;
    qsizetype foundLength = 0;
    for (const Spelling& spelling : spellings) {
        for (const std::u16string_view form : {spelling.singular, spelling.plural}) {
            const qsizetype length = matchedLength(form, spelling.caseCounts, text);
            if (length > foundLength && endsWord(text, length)) {
                found = &spelling;
                foundLength = length;
            }
        }
    }
    if (!found)
        return std::nullopt;
    // "tbsp." takes its dot; "cup." ends a sentence.
    if (!found->word && foundLength < text.size() && text[foundLength] == u'.')
        ++foundLength;
    return WrittenUnit{found->unit, foundLength};
}

QString unitSpelling(Unit unit, bool plural) {
    switch (unit) {
    case Unit::Teaspoon:
        return QStringLiteral("tsp");
    case Unit::Tablespoon:
        return QStringLiteral("tbsp");
    case Unit::FluidOunce:
        return QStringLiteral("fl oz");
    case Unit::Cup:
        return plural ? QStringLiteral("cups") : QStringLiteral("cup");
    case Unit::Pint:
        return plural ? QStringLiteral("pints") : QStringLiteral("pint");
    case Unit::Quart:
        return plural ? QStringLiteral("quarts") : QStringLiteral("quart");
    case Unit::Gallon:
        return plural ? QStringLiteral("gallons") : QStringLiteral("gallon");
    case Unit::Millilitre:
        return QStringLiteral("ml");
    case Unit::Centilitre:
        return QStringLiteral("cl");
    case Unit::Decilitre:
        return QStringLiteral("dl");
    case Unit::Litre:
        return QStringLiteral("l");
    case Unit::Ounce:
        return QStringLiteral("oz");
    case Unit::Pound:
        return QStringLiteral("lb");
    case Unit::Gram:
        return QStringLiteral("g");
    case Unit::Kilogram:
        return QStringLiteral("kg");
    }
    return {};
}

QString respelledUnit(QStringView written, bool plural) {
    for (const Spelling& spelling : spellings) {
        if (!spelling.word)
            continue;
        const QStringView singular = viewOf(spelling.singular);
        const QStringView pluralForm = viewOf(spelling.plural);
        if (written.compare(singular, Qt::CaseInsensitive) != 0 &&
            written.compare(pluralForm, Qt::CaseInsensitive) != 0)
            continue;
        QString respelled = (plural ? pluralForm : singular).toString();
        if (written.front().isUpper())
            respelled[0] = respelled[0].toUpper();
        return respelled;
    }
    return written.toString();
}

} // namespace savrona
