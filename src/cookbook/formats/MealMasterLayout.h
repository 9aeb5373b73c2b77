#pragma once

// The layout of a MealMaster recipe, shared by its reader and its writer: the framing
// lines, the ingredient columns and the flow of the directions.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace savrona::mealmaster {

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
// (columns 9 and 10) and the text (from column 12).
struct IngredientCell {
    QByteArray amount;
    QByteArray unit;
    QByteArray text;

    // "-more text" alone in the text column continues the ingredient above.
    bool isContinuation() const {
        return amount.isEmpty() && unit.isEmpty() && text.startsWith('-');
    }
    // The line the ingredient becomes in a stored recipe: amount, unit and
    // text with one blank between those present.
    QByteArray storedText() const;
};

// The cells of a line that has the ingredient layout: the left one, and the
// right one of a two-column list (from column 42). Nothing for a line of
// another kind. line is UTF-8 without its line break.
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
// and stays an empty line, and a line beginning with ":" starts a new line.
class DirectionsFlow {
public:
    void addLine(QByteArrayView line);
    void addHeading(const QByteArray& name);
    // The stored text, lines separated by CR LF, without empty lines at
    // either end.
    QByteArray text() const;

private:
    void closeLine();

    QList<QByteArray> m_lines;
    QByteArray m_open;
    bool m_isOpen = false;
};

// The directions lines for a stored preparation text: each stored line a
// paragraph wrapped to the width of the file, a line that follows another
// marked with ":", an empty line left empty.
QList<QByteArray> directionLines(QByteArrayView preparation);

// The unit tokens of the format, each two characters wide.
bool isUnitToken(QByteArrayView token);

} // namespace savrona::mealmaster
