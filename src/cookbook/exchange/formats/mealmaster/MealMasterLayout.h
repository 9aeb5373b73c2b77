#pragma once

// The layout of a MealMaster recipe, shared by its reader and its writer: the framing
// lines, the ingredient columns and the flow of the directions.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>
#include <string>
#include <vector>

namespace savrona::mealmaster {

// The text without blanks (and other white space) at its ends; as
// QByteArrayView::trimmed, inline, for the many calls per line.
inline QByteArrayView withoutBlanks(QByteArrayView text) {
    const auto isBlank = [](char character) {
        return character == ' ' || (character >= '\t' && character <= '\r');
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The first line of a recipe: "MMMMM----- Recipe via Meal-Master (tm) v8.05"
// or "---------- Recipe via Meal-Master (tm) v8.02".
bool isBeginLine(QByteArrayView line);
// The last line of a recipe: "MMMMM" or "-----" alone.
bool isEndLine(QByteArrayView line);
// A section heading such as "MMMMM-----FILLING-----" or "-----DOUGH-----";
// the end and begin lines are not headings.
bool isHeadingLine(QByteArrayView line);
// The name a heading line gives ("FILLING"), empty for a plain rule.
QByteArray headingName(QByteArrayView line);

// One ingredient in one column: the amount (columns 1 to 7), the unit token
// (columns 9 and 10) and the text (from column 12), without their blanks.
// The views point into the line read, and live as long as it does.
struct IngredientCell {
    QByteArrayView amount;
    QByteArrayView unit;
    QByteArrayView text;

    // "-more text" (or ":more text", as converters wrote it) alone in the
    // text column continues the ingredient above.
    bool isContinuation() const {
        return amount.isEmpty() && unit.isEmpty() && (text.startsWith('-') || text.startsWith(':'));
    }
    // What a continuation adds to the ingredient above: its text without the mark.
    QByteArrayView continuedText() const { return withoutBlanks(text.sliced(1)); }
    // The line the ingredient becomes in a stored recipe: amount, unit and
    // text with one blank between those present.
    QByteArray storedText() const;
};

// The cells of a line that has the ingredient layout: the left one, and the
// right one of a two-column list (from column 42). Nothing for a line of
// another kind. line is UTF-8 without its line break. Old collections' lines
// are read too: unit tokens in capitals ("TB"), every column two to the
// right where a converter moved them, and a continuation ("-" or ":") out
// of the text column, after blanks at least as wide as the amount.
struct IngredientLine {
    std::optional<IngredientCell> left;
    std::optional<IngredientCell> right;
};
std::optional<IngredientLine> readIngredientLine(QByteArrayView line);

// The lines that hold one stored ingredient line in a one-column list, text
// beyond the column carried on "-" continuation lines; read back, they give
// the stored line again wherever the layout allows it.
QList<QByteArray> ingredientLines(QByteArrayView storedLine);

// Puts the directions of one recipe back into stored lines: the lines of a
// paragraph are joined with one blank, an empty line starts a new paragraph
// and stays an empty line, and a line beginning with ":", or one said to
// begin a paragraph, starts a new line.
class DirectionsFlow {
public:
    void addLine(QByteArrayView line, bool beginsParagraph = false);
    void addHeading(QByteArrayView name);
    // The stored text, lines separated by CR LF, without empty lines at
    // either end.
    QByteArray text() const { return QByteArray(m_text.data(), qsizetype(m_text.size())); }

private:
    void startLine(QByteArrayView text);

    // A standard string: appending the many small pieces is cheaper.
    std::string m_text;
    int m_waitingEmptyLines = 0;
    bool m_isOpen = false;
};

// Which lines of a run of directions lines (no empty line among them) begin
// a paragraph by their indentation alone, as typed paragraphs begin: where
// the run's first line is indented two columns or more deeper than a line
// after it, each line indented as deep begins one. None otherwise: a run
// indented alike is one paragraph.
std::vector<bool> indentedParagraphStarts(const std::vector<QByteArrayView>& run);

// The directions lines for a stored preparation text: each stored line a
// paragraph wrapped to the width of the file, a line that follows another
// marked with ":", an empty line left empty.
QList<QByteArray> directionLines(QByteArrayView preparation);

// The unit tokens of the format, each two characters wide.
bool isUnitToken(QByteArrayView token);

} // namespace savrona::mealmaster
