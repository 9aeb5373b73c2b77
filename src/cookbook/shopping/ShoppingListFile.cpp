// Writes the shopping list as text lines and reads them back, however they were edited.
#include "cookbook/shopping/ShoppingListFile.h"

#include <optional>

namespace savrona {

namespace {

const QString recipesSeparator = QStringLiteral(", ");
const QString recipesOpening = QStringLiteral("  (");

QString oneLine(QString text) {
    for (QChar& character : text) {
        if (character == u'\n' || character == u'\r' || character == QChar::LineSeparator ||
            character == QChar::ParagraphSeparator)
            character = u' ';
    }
    return text.trimmed();
}

QString writtenLine(const ShoppingLine& line) {
    QString text =
        (line.done ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + oneLine(line.text);
    QStringList titles;
    for (const QString& title : line.recipes) {
        if (const QString written = oneLine(title); !written.isEmpty())
            titles.append(written);
    }
    if (!titles.isEmpty())
        text += recipesOpening + titles.join(recipesSeparator) + u')';
    return text;
}

// The tick mark at the start of a line, if it has one: whether it is ticked, and the
// characters it takes.
struct TickMark {
    bool done;
    qsizetype length;
};

std::optional<TickMark> tickMarkOf(QStringView line) {
    qsizetype start = 0;
    if (line.startsWith(u"- [") || line.startsWith(u"* ["))
        start = 2;
    const QStringView mark = line.sliced(start);
    if (mark.startsWith(u"[]"))
        return TickMark{false, start + 2};
    if (mark.size() >= 3 && mark[0] == u'[' && mark[2] == u']') {
        if (mark[1] == u' ')
            return TickMark{false, start + 3};
        if (QStringView(u"xX✓✔").contains(mark[1]))
            return TickMark{true, start + 3};
    }
    if (line.startsWith(u'☐'))
        return TickMark{false, 1};
    if (line.startsWith(u'☑') || line.startsWith(u'☒'))
        return TickMark{true, 1};
    return std::nullopt;
}

// Whether the parentheses from text[open] close exactly at the end of the text.
bool closesAtEnd(QStringView text, qsizetype open) {
    int depth = 0;
    for (qsizetype position = open; position < text.size(); ++position) {
        if (text[position] == u'(')
            ++depth;
        else if (text[position] == u')' && --depth == 0)
            return position == text.size() - 1;
    }
    return false;
}

// Where the recipes in parentheses begin ("  ("), or -1.
qsizetype recipesStart(QStringView text) {
    if (!text.endsWith(u')'))
        return -1;
    for (qsizetype start = text.lastIndexOf(recipesOpening); start > 0;
         start = text.lastIndexOf(recipesOpening, start - 1)) {
        if (closesAtEnd(text, start + 2))
            return start;
    }
    return -1;
}

ShoppingLine readLine(QStringView text) {
    ShoppingLine line;
    if (const std::optional<TickMark> mark = tickMarkOf(text)) {
        line.done = mark->done;
        text = text.sliced(mark->length).trimmed();
    }
    const qsizetype start = recipesStart(text);
    if (start > 0) {
        const QStringView titles = text.sliced(start + 3).chopped(1).trimmed();
        for (const QStringView title : titles.split(recipesSeparator, Qt::SkipEmptyParts)) {
            if (!title.trimmed().isEmpty())
                line.recipes.append(title.trimmed().toString());
        }
        if (!line.recipes.isEmpty())
            text = text.first(start).trimmed();
    }
    line.text = text.toString();
    return line;
}

} // namespace

QByteArray writeShoppingList(const ShoppingList& list) {
    QString text;
    for (const ShoppingLine& line : list)
        text += writtenLine(line) + u'\n';
    return text.toUtf8();
}

ShoppingList readShoppingList(QByteArrayView bytes) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    ShoppingList list;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            list.push_back(readLine(trimmed));
    }
    return list;
}

} // namespace savrona
