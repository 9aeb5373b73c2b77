// Cleans HTML texts: markup through libxml2, references by HTML's table, blanks
// normalised.
#include "cookbook/exchange/formats/html/HtmlText.h"

#include "cookbook/exchange/formats/html/HtmlEntities.h"
#include "cookbook/exchange/formats/html/HtmlTree.h"

namespace savrona::html {

namespace {

// A text encoded more often than this is garbage; what is left of its tags
// is taken out as text.
constexpr int parseRounds = 4;

bool mayHoldMarkup(const QString& text) {
    return text.contains(u'<') || text.contains(u'&');
}

// The text the markup shows, its references decoded, without blanks at its ends.
QString parsedText(const QString& markup) {
    const HtmlTree tree(markup.toUtf8());
    const xmlNode* root = tree.root();
    if (root == nullptr)
        return QString();
    return CharacterReferences::decoded(
               HtmlTree::textOf(root, HtmlTree::LineBreaks::FromMarkupAndText))
        .trimmed();
}

bool isTagStart(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') || code == u'/' ||
           code == u'!' || code == u'?';
}

// What is left of tags after the parser's rounds, taken out as a browser's
// tokenizer takes a tag: from "<" and a letter to the next ">", or to the
// end. A blank stands in its place, so that no new tag can form.
QString withoutTags(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] != u'<' || at + 1 == text.size() || !isTagStart(text[at + 1])) {
            plain += text[at++];
            continue;
        }
        const qsizetype end = text.indexOf(u'>', at + 1);
        if (end < 0)
            break;
        plain += u' ';
        at = end + 1;
    }
    return plain;
}

bool isInvisible(char16_t code) {
    return code == 0x00AD || code == 0x200B || code == 0x2060 || code == 0xFEFF;
}

bool isLineBreak(char16_t code) {
    return code == u'\n' || code == u'\r' || code == 0x2028 || code == 0x2029;
}

// Invisible characters taken out, C1 controls as the characters they were
// meant as, other controls as blanks; line breaks kept.
QString visibleText(const QString& text) {
    QString visible;
    visible.reserve(text.size());
    for (const QChar character : text) {
        char16_t code = CharacterReferences::fromC1Control(character.unicode());
        if (isInvisible(code))
            continue;
        const bool isControl = code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F);
        if (isControl && !isLineBreak(code))
            code = u' ';
        visible += QChar(code);
    }
    return visible;
}

} // namespace

QStringList HtmlText::lines(const QString& markup) {
    QString text = markup;
    for (int round = 0; round < parseRounds && mayHoldMarkup(text); ++round) {
        QString shown = parsedText(text);
        if (shown == text)
            break;
        text = std::move(shown);
    }
    text = visibleText(text);
    if (text.contains(u'<'))
        text = withoutTags(text);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !isLineBreak(text[at].unicode()))
            continue;
        QString line = QStringView(text).sliced(start, at - start).toString().simplified();
        if (!line.isEmpty())
            lines.append(std::move(line));
        start = at + 1;
    }
    return lines;
}

QString HtmlText::line(const QString& markup) {
    return lines(markup).join(u' ');
}

} // namespace savrona::html
