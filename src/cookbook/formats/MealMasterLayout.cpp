// The MealMaster layout: framing lines, ingredient columns, and the directions'
// paragraphs, read and written by the same rules so that a written recipe reads back.
#include "MealMasterLayout.h"

#include <array>

namespace savrona::mealmaster {

namespace {

constexpr QByteArrayView fiveMs("MMMMM");
constexpr QByteArrayView fiveHyphens("-----");
// Columns (from 0) of the ingredient layout.
constexpr qsizetype amountWidth = 7;
constexpr qsizetype unitColumn = 8;
constexpr qsizetype textColumn = 11;
constexpr qsizetype rightColumn = 41;
// The text column's width, and the width of a line of directions.
constexpr qsizetype ingredientTextWidth = 28;
constexpr qsizetype directionsWidth = 76;
const QByteArray directionsIndent("  ");

constexpr std::array<QByteArrayView, 35> unitTokens{
    "x ", "sm", "md", "lg", "cn", "pk", "pn", "dr", "ds", "ct", "bn", "sl",
    "ea", "t ", "ts", "T ", "tb", "fl", "c ", "pt", "qt", "ga", "oz", "lb",
    "ml", "cb", "cl", "dl", "l ", "mg", "cg", "dg", "g ", "kg", "  "};

bool isAmountCharacter(char character) {
    return (character >= '0' && character <= '9') || character == ' ' || character == '.' ||
           character == '/' || character == '-' || character == ',';
}

bool startsWithSeparator(QByteArrayView line) {
    return line.startsWith(fiveMs) || line.startsWith(fiveHyphens);
}

QByteArrayView trimmedRight(QByteArrayView text) {
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

bool isBlank(QByteArrayView text) {
    return trimmedRight(text).isEmpty();
}

bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The byte at which character `column` begins, if the line is that long.
std::optional<qsizetype> byteOffsetOfColumn(QByteArrayView line, qsizetype column) {
    qsizetype characters = 0;
    for (qsizetype offset = 0; offset < line.size(); ++offset) {
        if (isUtf8Continuation(line[offset]))
            continue;
        if (characters == column)
            return offset;
        ++characters;
    }
    return std::nullopt;
}

std::optional<IngredientCell> readCell(QByteArrayView column) {
    column = trimmedRight(column);
    // At least the amount and the blank after it.
    if (column.size() <= amountWidth)
        return std::nullopt;
    const auto at = [&](qsizetype index) { return index < column.size() ? column[index] : ' '; };
    for (qsizetype index = 0; index < amountWidth; ++index)
        if (!isAmountCharacter(column[index]))
            return std::nullopt;
    const char unit[2] = {at(unitColumn), at(unitColumn + 1)};
    if (at(amountWidth) != ' ' || at(textColumn - 1) != ' ' || !isUnitToken({unit, 2}))
        return std::nullopt;
    IngredientCell cell{column.first(amountWidth).trimmed().toByteArray(),
                        QByteArrayView(unit, 2).trimmed().toByteArray(),
                        column.size() > textColumn
                            ? column.sliced(textColumn).trimmed().toByteArray()
                            : QByteArray()};
    if (cell.amount.isEmpty() && cell.unit.isEmpty() && cell.text.isEmpty())
        return std::nullopt;
    return cell;
}

// The places where a text may be broken: a single blank between two other
// characters, so that joining the pieces with one blank restores the text.
bool isBreak(QByteArrayView text, qsizetype at) {
    return text[at] == ' ' && at > 0 && at + 1 < text.size() && text[at - 1] != ' ' &&
           text[at + 1] != ' ';
}

bool fitsWithin(QByteArrayView text, qsizetype characters) {
    qsizetype count = 0;
    for (const char byte : text) {
        count += isUtf8Continuation(byte) ? 0 : 1;
        if (count > characters)
            return false;
    }
    return true;
}

// Greedy wrapping at breaks: the first piece at most firstWidth characters,
// the others at most width; no piece begins where mayStart refuses. A word
// longer than the width stays whole.
QList<QByteArray> wrap(QByteArrayView text, qsizetype firstWidth, qsizetype width,
                       bool (*mayStart)(QByteArrayView piece)) {
    QList<QByteArray> pieces;
    qsizetype start = 0;
    qsizetype limit = firstWidth;
    while (!fitsWithin(text.sliced(start), limit)) {
        qsizetype chosen = -1;
        qsizetype characters = 0; // of text[start, at]
        for (qsizetype at = start; at < text.size(); ++at) {
            characters += isUtf8Continuation(text[at]) ? 0 : 1;
            const bool pieceFits = characters - 1 <= limit;
            if (isBreak(text, at) && mayStart(text.sliced(at + 1)) && (pieceFits || chosen < 0))
                chosen = at;
            if (!pieceFits && chosen >= 0)
                break;
        }
        if (chosen < 0)
            break;
        pieces.append(text.sliced(start, chosen - start).toByteArray());
        start = chosen + 1;
        limit = width;
    }
    pieces.append(text.sliced(start).toByteArray());
    return pieces;
}

bool anyPiece(QByteArrayView) {
    return true;
}

bool notForcingABreak(QByteArrayView piece) {
    return !piece.startsWith(':');
}

// The stored line split into amount, unit and text, when joining them gives
// the line again; else the whole line as text.
IngredientCell cellForStoredLine(QByteArrayView line) {
    qsizetype amountEnd = 0;
    while (amountEnd < line.size() && isAmountCharacter(line[amountEnd]))
        ++amountEnd;
    // The amount ends at a blank, or at the end of the line.
    if (amountEnd < line.size()) {
        const qsizetype blank = line.first(amountEnd).lastIndexOf(' ');
        amountEnd = blank < 0 ? 0 : blank;
    }
    IngredientCell cell;
    cell.amount = line.first(amountEnd).trimmed().toByteArray();
    QByteArrayView rest = line.sliced(amountEnd).trimmed();
    const qsizetype tokenEnd = rest.indexOf(' ');
    const QByteArrayView token = tokenEnd < 0 ? rest : rest.first(tokenEnd);
    if (!cell.amount.isEmpty() && token.size() <= 2 && !token.isEmpty() &&
        isUnitToken((token.toByteArray() + "  ").first(2))) {
        cell.unit = token.toByteArray();
        rest = tokenEnd < 0 ? QByteArrayView() : rest.sliced(tokenEnd + 1);
    }
    cell.text = rest.toByteArray();
    if (cell.amount.size() > amountWidth || cell.storedText() != line)
        return IngredientCell{{}, {}, line.toByteArray()};
    return cell;
}

QList<QByteArray> layOut(const IngredientCell& cell, bool wrapped) {
    const QList<QByteArray> pieces =
        wrapped ? wrap(cell.text, ingredientTextWidth, ingredientTextWidth - 1, anyPiece)
                : QList<QByteArray>{cell.text};
    QList<QByteArray> lines;
    QByteArray first = cell.amount.rightJustified(amountWidth) + ' ' + cell.unit.leftJustified(2) +
                       ' ' + pieces.front();
    lines.append(trimmedRight(first).toByteArray());
    for (qsizetype index = 1; index < pieces.size(); ++index)
        lines.append(QByteArray(textColumn, ' ') + '-' + pieces[index]);
    return lines;
}

// What the reader makes of the lines: one ingredient, or nothing.
std::optional<QByteArray> readBack(const QList<QByteArray>& lines) {
    QByteArray text;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const auto read = readIngredientLine(lines[index]);
        if (!read || !read->left || read->right || read->left->isContinuation() != (index > 0))
            return std::nullopt;
        text =
            index == 0 ? read->left->storedText() : text + ' ' + read->left->text.mid(1).trimmed();
    }
    return text;
}

} // namespace

bool isUnitToken(QByteArrayView token) {
    for (const QByteArrayView unit : unitTokens)
        if (token == unit)
            return true;
    return false;
}

bool isBeginLine(QByteArrayView line) {
    if (!startsWithSeparator(line))
        return false;
    const QByteArray lower = line.toByteArray().toLower();
    return lower.contains("meal-master") || lower.contains("mealmaster") ||
           lower.contains("meal master");
}

bool isEndLine(QByteArrayView line) {
    // At the start of the line: an indented "MMMMM" is text.
    line = trimmedRight(line);
    return line == fiveMs || line == fiveHyphens;
}

bool isHeadingLine(QByteArrayView line) {
    return startsWithSeparator(line) && !isEndLine(line) && !isBeginLine(line);
}

QByteArray headingName(QByteArrayView line) {
    if (line.startsWith(fiveMs))
        line = line.sliced(fiveMs.size());
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && (line[begin] == '-' || line[begin] == ' '))
        ++begin;
    while (end > begin && (line[end - 1] == '-' || line[end - 1] == ' '))
        --end;
    return line.sliced(begin, end - begin).toByteArray();
}

QByteArray IngredientCell::storedText() const {
    QByteArray text = amount;
    for (const QByteArray* part : {&unit, &this->text}) {
        if (part->isEmpty())
            continue;
        if (!text.isEmpty())
            text += ' ';
        text += *part;
    }
    return text;
}

std::optional<IngredientLine> readIngredientLine(QByteArrayView line) {
    line = trimmedRight(line);
    if (line.isEmpty())
        return std::nullopt;
    const std::optional<qsizetype> right = byteOffsetOfColumn(line, rightColumn);
    if (right && line[*right - 1] == ' ') {
        const QByteArrayView leftPart = line.first(*right);
        std::optional<IngredientCell> rightCell = readCell(line.sliced(*right));
        std::optional<IngredientCell> leftCell = readCell(leftPart);
        if (rightCell && (leftCell || isBlank(leftPart)))
            return IngredientLine{std::move(leftCell), std::move(rightCell)};
    }
    std::optional<IngredientCell> cell = readCell(line);
    if (!cell)
        return std::nullopt;
    return IngredientLine{std::move(cell), std::nullopt};
}

QList<QByteArray> ingredientLines(QByteArrayView storedLine) {
    const IngredientCell cell = cellForStoredLine(storedLine);
    QList<QByteArray> lines = layOut(cell, true);
    if (readBack(lines) == storedLine)
        return lines;
    // An unusual line (a word longer than the column, blanks at its ends): a
    // long line is better than a changed text.
    return layOut(cell, false);
}

void DirectionsFlow::closeLine() {
    if (m_isOpen)
        m_lines.append(m_open);
    m_open.clear();
    m_isOpen = false;
}

void DirectionsFlow::addLine(QByteArrayView line) {
    const QByteArrayView trimmed = line.trimmed();
    if (trimmed.isEmpty()) {
        closeLine();
        m_lines.append(QByteArray());
    } else if (trimmed.startsWith(':')) {
        closeLine();
        m_open = trimmed.sliced(1).trimmed().toByteArray();
        m_isOpen = true;
    } else if (m_isOpen) {
        m_open += ' ';
        m_open += trimmed;
    } else {
        m_open = trimmed.toByteArray();
        m_isOpen = true;
    }
}

void DirectionsFlow::addHeading(const QByteArray& name) {
    closeLine();
    if (!name.isEmpty())
        m_lines.append(name);
}

QByteArray DirectionsFlow::text() const {
    QList<QByteArray> lines = m_lines;
    if (m_isOpen)
        lines.append(m_open);
    while (!lines.isEmpty() && lines.front().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines.join("\r\n");
}

QList<QByteArray> directionLines(QByteArrayView preparation) {
    QList<QByteArray> lines;
    bool followsALine = false;
    const QByteArray text = preparation.toByteArray().replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray& storedLine : text.split('\n')) {
        if (storedLine.isEmpty()) {
            lines.append(QByteArray());
            followsALine = false;
            continue;
        }
        const bool marked = followsALine || storedLine.startsWith(':');
        const QByteArray paragraph = (marked ? QByteArray(":") : QByteArray()) + storedLine;
        for (const QByteArray& piece :
             wrap(paragraph, directionsWidth, directionsWidth, notForcingABreak))
            lines.append(directionsIndent + piece);
        followsALine = true;
    }
    return lines;
}

} // namespace savrona::mealmaster
