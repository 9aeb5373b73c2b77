// The MealMaster layout: framing lines, ingredient columns, and the directions'
// paragraphs, read and written by the same rules so that a written recipe reads back.
#include "cookbook/exchange/formats/mealmaster/MealMasterLayout.h"

#include <algorithm>

namespace savrona::mealmaster {

namespace {

constexpr QByteArrayView fiveMs("MMMMM");
constexpr QByteArrayView fiveHyphens("-----");
// Columns (from 0) of the ingredient layout.
constexpr qsizetype amountWidth = 7;
constexpr qsizetype unitColumn = 8;
constexpr qsizetype textColumn = 11;
constexpr qsizetype rightColumn = 41;
// The blanks by which some converters moved every column to the right.
constexpr QByteArrayView convertersShift("  ");
// How much deeper than the lines after it a paragraph's first line is indented.
constexpr qsizetype paragraphIndent = 2;
constexpr qsizetype tabWidth = 8;
// The text column's width, and the width of a line of directions.
constexpr qsizetype ingredientTextWidth = 28;
constexpr qsizetype directionsWidth = 76;
const QByteArray directionsIndent("  ");

bool isAmountCharacter(char character) {
    return (character >= '0' && character <= '9') || character == ' ' || character == '.' ||
           character == '/' || character == '-' || character == ',';
}

char asciiLower(char character) {
    return character >= 'A' && character <= 'Z' ? char(character - 'A' + 'a') : character;
}

bool startsWithSeparator(QByteArrayView line) {
    // Most lines fail on their first character; every line is tested.
    if (line.isEmpty() || (line[0] != 'M' && line[0] != '-'))
        return false;
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

// The columns of blanks before the line's text, a tab reaching the next
// multiple of eight.
qsizetype indentOf(QByteArrayView line) {
    qsizetype columns = 0;
    for (const char character : line) {
        if (character == ' ')
            ++columns;
        else if (character == '\t')
            columns += tabWidth - columns % tabWidth;
        else
            break;
    }
    return columns;
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
    // Some converters wrote the unit tokens in capitals ("TB", "C ").
    const char unit[2] = {asciiLower(at(unitColumn)), asciiLower(at(unitColumn + 1))};
    if (at(amountWidth) != ' ' || at(textColumn - 1) != ' ' || !isUnitToken({unit, 2}))
        return std::nullopt;
    IngredientCell cell{
        withoutBlanks(column.first(amountWidth)),
        withoutBlanks(
            column.sliced(unitColumn, std::min<qsizetype>(2, column.size() - unitColumn))),
        column.size() > textColumn ? withoutBlanks(column.sliced(textColumn)) : QByteArrayView()};
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
    cell.amount = withoutBlanks(line.first(amountEnd));
    QByteArrayView rest = withoutBlanks(line.sliced(amountEnd));
    const qsizetype tokenEnd = rest.indexOf(' ');
    const QByteArrayView token = tokenEnd < 0 ? rest : rest.first(tokenEnd);
    const QByteArray paddedToken = token.toByteArray() + ' ';
    if (!cell.amount.isEmpty() && !token.isEmpty() && token.size() <= 2 &&
        isUnitToken(QByteArrayView(paddedToken).first(2))) {
        cell.unit = token;
        rest = tokenEnd < 0 ? QByteArrayView() : rest.sliced(tokenEnd + 1);
    }
    cell.text = rest;
    // An amount filling its column from the first one must not make the
    // line read as a framing line ("-------" before "via Meal-Master").
    const bool framing = cell.amount.size() == amountWidth && startsWithSeparator(cell.amount);
    if (cell.amount.size() > amountWidth || framing || cell.storedText() != line)
        return IngredientCell{{}, {}, line};
    return cell;
}

QList<QByteArray> layOut(const IngredientCell& cell, bool wrapped) {
    const QList<QByteArray> pieces =
        wrapped ? wrap(cell.text, ingredientTextWidth, ingredientTextWidth - 1, anyPiece)
                : QList<QByteArray>{cell.text.toByteArray()};
    QList<QByteArray> lines;
    QByteArray first = cell.amount.toByteArray().rightJustified(amountWidth) + ' ' +
                       cell.unit.toByteArray().leftJustified(2) + ' ' + pieces.front();
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
        if (index == 0) {
            text = read->left->storedText();
        } else {
            text += ' ';
            text += read->left->continuedText();
        }
    }
    return text;
}

// The ingredient layout at its own columns.
std::optional<IngredientLine> readColumns(QByteArrayView line) {
    line = trimmedRight(line);
    if (line.isEmpty())
        return std::nullopt;
    // A line of no more bytes than that has no character in the right column.
    const std::optional<qsizetype> right =
        line.size() > rightColumn ? byteOffsetOfColumn(line, rightColumn) : std::nullopt;
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

// A converter's amounts are numbers: a cell moved over must not be a row of
// hyphens or dots taken for one.
bool isConvertersAmount(const std::optional<IngredientCell>& cell) {
    if (!cell || cell->amount.isEmpty())
        return true;
    const char first = cell->amount.front();
    return (first >= '0' && first <= '9') || first == '.';
}

// A continuation a converter put out of the text column: "-" or ":" after
// blanks at least as wide as the amount.
std::optional<IngredientCell> readOutOfColumnContinuation(QByteArrayView line) {
    qsizetype blanks = 0;
    while (blanks < line.size() && line[blanks] == ' ')
        ++blanks;
    if (blanks < amountWidth || blanks == line.size() ||
        (line[blanks] != '-' && line[blanks] != ':'))
        return std::nullopt;
    return IngredientCell{{}, {}, withoutBlanks(line.sliced(blanks))};
}

} // namespace

bool isUnitToken(QByteArrayView token) {
    if (token.size() != 2)
        return false;
    // Every line of an ingredient list asks: a switch, not a search.
    switch ((static_cast<unsigned>(static_cast<unsigned char>(token[0])) << 8) |
            static_cast<unsigned char>(token[1])) {
    case 'x' << 8 | ' ':
    case 's' << 8 | 'm':
    case 'm' << 8 | 'd':
    case 'l' << 8 | 'g':
    case 'c' << 8 | 'n':
    case 'p' << 8 | 'k':
    case 'p' << 8 | 'n':
    case 'd' << 8 | 'r':
    case 'd' << 8 | 's':
    case 'c' << 8 | 't':
    case 'b' << 8 | 'n':
    case 's' << 8 | 'l':
    case 'e' << 8 | 'a':
    case 't' << 8 | ' ':
    case 't' << 8 | 's':
    case 'T' << 8 | ' ':
    case 't' << 8 | 'b':
    case 'f' << 8 | 'l':
    case 'c' << 8 | ' ':
    case 'p' << 8 | 't':
    case 'q' << 8 | 't':
    case 'g' << 8 | 'a':
    case 'o' << 8 | 'z':
    case 'l' << 8 | 'b':
    case 'm' << 8 | 'l':
    case 'c' << 8 | 'b':
    case 'c' << 8 | 'l':
    case 'd' << 8 | 'l':
    case 'l' << 8 | ' ':
    case 'm' << 8 | 'g':
    case 'c' << 8 | 'g':
    case 'd' << 8 | 'g':
    case 'g' << 8 | ' ':
    case 'k' << 8 | 'g':
    case ' ' << 8 | ' ':
        return true;
    default:
        return false;
    }
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
    if (!startsWithSeparator(line))
        return false;
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
    QByteArray stored;
    stored.reserve(amount.size() + unit.size() + text.size() + 2);
    for (const QByteArrayView part : {amount, unit, text}) {
        if (part.isEmpty())
            continue;
        if (!stored.isEmpty())
            stored += ' ';
        stored += part;
    }
    return stored;
}

std::optional<IngredientLine> readIngredientLine(QByteArrayView line) {
    if (std::optional<IngredientLine> read = readColumns(line))
        return read;
    if (line.startsWith(convertersShift))
        if (auto shifted = readColumns(line.sliced(convertersShift.size()));
            shifted && isConvertersAmount(shifted->left) && isConvertersAmount(shifted->right))
            return shifted;
    if (std::optional<IngredientCell> continuation = readOutOfColumnContinuation(line))
        return IngredientLine{continuation, std::nullopt};
    return std::nullopt;
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

void DirectionsFlow::startLine(QByteArrayView text) {
    if (!m_text.empty() || m_waitingEmptyLines > 0) {
        m_text += "\r\n";
        for (; m_waitingEmptyLines > 0; --m_waitingEmptyLines)
            m_text += "\r\n";
    }
    m_text.append(text.data(), std::size_t(text.size()));
    m_isOpen = true;
}

void DirectionsFlow::addLine(QByteArrayView line, bool beginsParagraph) {
    const QByteArrayView trimmed = withoutBlanks(line);
    if (trimmed.isEmpty()) {
        m_isOpen = false;
        // Empty lines count only between lines of text.
        if (!m_text.empty())
            ++m_waitingEmptyLines;
    } else if (trimmed.startsWith(':')) {
        startLine(withoutBlanks(trimmed.sliced(1)));
    } else if (m_isOpen && !beginsParagraph) {
        m_text += ' ';
        m_text.append(trimmed.data(), std::size_t(trimmed.size()));
    } else {
        startLine(trimmed);
    }
}

void DirectionsFlow::addHeading(QByteArrayView name) {
    m_isOpen = false;
    if (!name.isEmpty()) {
        startLine(name);
        m_isOpen = false;
    }
}

std::vector<bool> indentedParagraphStarts(const std::vector<QByteArrayView>& run) {
    std::vector<qsizetype> indents;
    indents.reserve(run.size());
    for (const QByteArrayView line : run)
        indents.push_back(indentOf(line));
    std::vector<bool> starts(run.size(), false);
    if (run.size() < 2)
        return starts;
    const qsizetype shallowest = *std::min_element(indents.begin(), indents.end());
    const qsizetype deep = shallowest + paragraphIndent;
    if (indents.front() < deep)
        return starts;
    for (std::size_t index = 0; index < run.size(); ++index)
        starts[index] = indents[index] >= deep;
    return starts;
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
