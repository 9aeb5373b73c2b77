// Tells a step's own heading from a repetition of its text.
#include "cookbook/exchange/formats/html/StepHeading.h"

namespace savrona::html {

namespace {

// From this many words on, a name the text begins with is the text cut short.
constexpr qsizetype wordsOfACutText = 4;

} // namespace

bool isStepHeading(const QString& name, const QString& text) {
    QString heading = name.simplified();
    bool cut = false;
    // "Preheat the oven..." or "Preheat the oven…": the text, cut.
    for (const QString& ellipsis : {QStringLiteral("..."), QStringLiteral("\u2026")}) {
        if (heading.endsWith(ellipsis)) {
            heading.chop(ellipsis.size());
            heading = heading.trimmed();
            cut = true;
        }
    }
    if (heading.isEmpty())
        return false;
    const QString body = text.simplified();
    if (!body.startsWith(heading, Qt::CaseInsensitive))
        return true;
    const bool wholeSentence = heading.endsWith(u'.') || heading.endsWith(u'!') ||
                               heading.endsWith(u'?') || heading.size() == body.size();
    return !cut && !wholeSentence && heading.count(u' ') + 1 < wordsOfACutText;
}

} // namespace savrona::html
