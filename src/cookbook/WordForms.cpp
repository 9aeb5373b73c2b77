// The comparison keys of words and names.
#include "cookbook/WordForms.h"

#include <QStringList>

namespace savrona {

QString comparableWord(QString word) {
    const auto endsWith = [&](const char16_t* ending) { return word.endsWith(ending); };
    if (word.size() > 3 && endsWith(u"ies"))
        return word.chopped(3) + u'y';
    if (word.size() > 2 && endsWith(u"ie"))
        return word.chopped(2) + u'y';
    if (word.size() > 4 && (endsWith(u"oes") || endsWith(u"ches") || endsWith(u"shes") ||
                            endsWith(u"sses") || endsWith(u"xes")))
        return word.chopped(2);
    if (word.size() > 3 && endsWith(u"s") && !endsWith(u"ss") && !endsWith(u"us") &&
        !endsWith(u"is"))
        return word.chopped(1);
    return word;
}

QString comparableName(const QString& name) {
    QStringList words = name.toCaseFolded().simplified().split(u' ', Qt::SkipEmptyParts);
    for (QString& word : words)
        word = comparableWord(word);
    return words.join(u' ');
}

} // namespace savrona
