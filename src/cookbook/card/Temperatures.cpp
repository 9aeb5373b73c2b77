// Finds the temperatures in a text and writes them in the other scale.
#include "cookbook/card/Temperatures.h"

#include <QRegularExpression>

#include <cmath>

namespace savrona {

namespace {

enum Capture { Low = 1, Joiner, High, BeforeSign, Sign, AfterSign, Degrees, Scale };

const QRegularExpression& temperaturePattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w.,/])([-−]?\d{1,4}(?:[.,]\d{1,2})?))"
                       R"((?:(\s*(?:-|–|to\s)\s*)(\d{1,4}(?:[.,]\d{1,2})?))?)"
                       R"((\s*)([°º˚]?)(\s*)((?:degrees?|deg\.?)\s*)?)"
                       R"((fahrenheit|celsius|centigrade|f|c)(?!\w))"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

double numberIn(QString text) {
    text.replace(u',', u'.').replace(u'−', u'-');
    return text.toDouble();
}

bool isFahrenheit(QStringView scale) {
    return scale.front().toLower() == u'f';
}

// A bare capital F or C is a temperature from 100 up: "2 C" is cups, "Section 2F" a name.
bool isTemperature(const QRegularExpressionMatch& match) {
    if (!match.capturedView(Sign).isEmpty() || !match.capturedView(Degrees).isEmpty() ||
        match.capturedView(Scale).size() > 1)
        return true;
    const QStringView scale = match.capturedView(Scale);
    return (scale == u"F" || scale == u"C") && numberIn(match.captured(Low)) >= 100;
}

double roundedTo(double value, double step) {
    return std::round(value / step) * step + 0.0; // no "-0"
}

double convertedDegrees(double degrees, bool fromFahrenheit) {
    if (fromFahrenheit) {
        const double celsius = (degrees - 32) * 5 / 9;
        return roundedTo(celsius, degrees >= 300 ? 10 : 1);
    }
    const double fahrenheit = degrees * 9 / 5 + 32;
    return roundedTo(fahrenheit, degrees >= 150 ? 25 : 1);
}

QString otherScale(QStringView scale) {
    const bool fahrenheit = isFahrenheit(scale);
    QString other;
    if (scale.size() == 1)
        other = fahrenheit ? QStringLiteral("C") : QStringLiteral("F");
    else
        other = fahrenheit ? QStringLiteral("Celsius") : QStringLiteral("Fahrenheit");
    if (scale.front().isLower())
        other = other.toLower();
    return other;
}

QString converted(const QRegularExpressionMatch& match) {
    const bool fahrenheit = isFahrenheit(match.capturedView(Scale));
    const auto degrees = [&](Capture capture) {
        return QString::number(convertedDegrees(numberIn(match.captured(capture)), fahrenheit), 'f',
                               0);
    };
    QString text = degrees(Low);
    if (match.capturedStart(High) >= 0)
        text += match.captured(Joiner) + degrees(High);
    return text + match.captured(BeforeSign) + match.captured(Sign) + match.captured(AfterSign) +
           match.captured(Degrees) + otherScale(match.capturedView(Scale));
}

} // namespace

QString convertTemperatures(const QString& text, UnitMode mode) {
    if (mode == UnitMode::AsWritten)
        return text;
    const bool toCelsius = mode == UnitMode::Metric;
    QString result;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator matches = temperaturePattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (!isTemperature(match) || isFahrenheit(match.capturedView(Scale)) != toCelsius)
            continue;
        result += QStringView(text).sliced(copied, match.capturedStart() - copied);
        result += converted(match);
        copied = match.capturedEnd();
    }
    result += QStringView(text).sliced(copied);
    return result;
}

} // namespace savrona
