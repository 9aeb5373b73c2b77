// Blanks out what pages leave around and inside their JSON-LD, keeping every offset.
#include "cookbook/exchange/formats/json/LenientJson.h"

#include <array>

namespace savrona {

namespace {

// The marks pages wrap a script's content in, for browsers of old.
constexpr std::array<QByteArrayView, 4> wrappingMarks{"<!--", "-->", "<![CDATA[", "]]>"};

bool isSpace(char character) {
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

// From an opening quote to just past the closing one, or to the end.
qsizetype skipString(const QByteArray& text, qsizetype at) {
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\')
            ++at;
        else if (text[at] == '"')
            return at + 1;
    }
    return text.size();
}

void blank(QByteArray& text, qsizetype from, qsizetype to) {
    for (qsizetype at = from; at < to && at < text.size(); ++at)
        if (text[at] != '\n' && text[at] != '\r')
            text[at] = ' ';
}

// Where a comment or a mark beginning at `at` ends; `at` when none begins there.
qsizetype endOfCommentOrMark(const QByteArray& text, qsizetype at) {
    const QByteArrayView rest = QByteArrayView(text).sliced(at);
    if (rest.startsWith("//")) {
        const qsizetype end = text.indexOf('\n', at);
        return end < 0 ? text.size() : end;
    }
    if (rest.startsWith("/*")) {
        const qsizetype end = text.indexOf("*/", at + 2);
        return end < 0 ? text.size() : end + 2;
    }
    for (const QByteArrayView mark : wrappingMarks)
        if (rest.startsWith(mark))
            return at + mark.size();
    return at;
}

void blankCommentsAndMarks(QByteArray& text) {
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] == '"') {
            at = skipString(text, at);
            continue;
        }
        const qsizetype end = endOfCommentOrMark(text, at);
        if (end == at) {
            ++at;
            continue;
        }
        blank(text, at, end);
        at = end;
    }
}

void blankTrailingCommas(QByteArray& text) {
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] == '"') {
            at = skipString(text, at);
            continue;
        }
        if (text[at] == ',') {
            qsizetype next = at + 1;
            while (next < text.size() && isSpace(text[next]))
                ++next;
            if (next < text.size() && (text[next] == '}' || text[next] == ']'))
                text[at] = ' ';
        }
        ++at;
    }
}

} // namespace

QByteArray LenientJson::cleaned(QByteArrayView script) {
    QByteArray text = script.toByteArray();
    blankCommentsAndMarks(text);
    blankTrailingCommas(text);
    return text;
}

} // namespace savrona
