// The MealMaster reader: finds the recipes among the lines of a file and takes each
// apart into its header fields, ingredient list and directions.
#include "MealMasterReader.h"

#include "MealMasterLayout.h"
#include "SourceText.h"

#include <QIODevice>

#include <optional>

namespace savrona {

using namespace mealmaster;

namespace {

// The ingredient section: blocks of one- or two-column lines between headings
// and empty lines. A two-column block lists its left column first, then its
// right one; a continuation line joins the ingredient before it in that order.
class IngredientList {
public:
    void addLine(IngredientLine line) {
        if (line.left)
            m_left.append(std::move(*line.left));
        if (line.right)
            m_right.append(std::move(*line.right));
    }

    void addHeading(const QByteArray& name) {
        if (name.isEmpty()) {
            addEmptyLine();
            return;
        }
        closeBlock();
        addStoredLine(name);
    }

    void addEmptyLine() {
        closeBlock();
        if (!m_lines.isEmpty())
            ++m_waitingEmptyLines;
    }

    // The stored text; empty lines at either end are dropped.
    QByteArray text() {
        closeBlock();
        return m_lines.join("\r\n");
    }

private:
    void closeBlock() {
        QList<IngredientCell> cells = std::move(m_left);
        cells.append(std::move(m_right));
        m_left.clear();
        m_right.clear();
        QList<IngredientCell> ingredients;
        for (IngredientCell& cell : cells) {
            if (cell.isContinuation() && !ingredients.isEmpty()) {
                QByteArray& text = ingredients.back().text;
                text += ' ';
                text += cell.text.mid(1).trimmed();
            } else {
                ingredients.append(std::move(cell));
            }
        }
        for (const IngredientCell& ingredient : ingredients)
            addStoredLine(ingredient.storedText());
    }

    void addStoredLine(const QByteArray& line) {
        for (; m_waitingEmptyLines > 0; --m_waitingEmptyLines)
            m_lines.append(QByteArray());
        m_lines.append(line);
    }

    QList<IngredientCell> m_left;
    QList<IngredientCell> m_right;
    QList<QByteArray> m_lines;
    int m_waitingEmptyLines = 0;
};

enum class Part { Header, Ingredients, Directions };

struct RecipeDraft {
    RecipeEntry entry;
    Part part = Part::Header;
    bool hasHeaderField = false;
    IngredientList ingredients;
    DirectionsFlow directions;
    qsizetype size = 0;
    bool tooLong = false;
};

std::optional<QByteArray> fieldValue(QByteArrayView line,
                                     std::initializer_list<QByteArrayView> keys) {
    for (const QByteArrayView key : keys) {
        if (line.size() > key.size() && line[key.size()] == ':' &&
            line.first(key.size()).compare(key, Qt::CaseInsensitive) == 0)
            return line.sliced(key.size() + 1).trimmed().toByteArray();
    }
    return std::nullopt;
}

// Title:, Categories: and Yield: (or Servings:); false for any other line.
bool readHeaderField(RecipeDraft& draft, QByteArrayView line) {
    const QByteArrayView trimmed = line.trimmed();
    if (auto title = fieldValue(trimmed, {"Title"})) {
        draft.entry.title = std::move(*title);
    } else if (auto categories = fieldValue(trimmed, {"Categories", "Category"})) {
        for (const QByteArray& category : categories->split(',')) {
            const QByteArray name = category.trimmed();
            if (!name.isEmpty())
                draft.entry.categories.append(name);
        }
    } else if (auto yield = fieldValue(trimmed, {"Yield", "Servings", "Serves"})) {
        if (!yield->isEmpty())
            draft.entry.servings = std::move(*yield);
    } else {
        return false;
    }
    draft.hasHeaderField = true;
    return true;
}

void addLine(RecipeDraft& draft, QByteArrayView line) {
    const bool blank = line.trimmed().isEmpty();
    if (draft.part == Part::Header) {
        if (blank) {
            if (draft.hasHeaderField)
                draft.part = Part::Ingredients;
            return;
        }
        if (readHeaderField(draft, line))
            return;
        draft.part = Part::Ingredients;
    }
    if (draft.part == Part::Ingredients) {
        if (blank) {
            draft.ingredients.addEmptyLine();
            return;
        }
        if (isHeadingLine(line)) {
            draft.ingredients.addHeading(headingName(line));
            return;
        }
        if (auto ingredient = readIngredientLine(line)) {
            draft.ingredients.addLine(std::move(*ingredient));
            return;
        }
        draft.part = Part::Directions;
    }
    if (isHeadingLine(line))
        draft.directions.addHeading(headingName(line));
    else
        draft.directions.addLine(line);
}

class Reading {
public:
    Reading(const QString& fileName, RecipeBatch& batch) : m_fileName(fileName), m_batch(batch) {}

    void begin(qint64 line) {
        m_draft.emplace();
        m_draft->entry.file = m_fileName;
        m_draft->entry.line = line;
    }

    bool isInRecipe() const { return m_draft.has_value(); }

    void add(QByteArrayView line, LineDecoder& decoder) {
        if (m_draft->tooLong)
            return;
        m_draft->size += line.size();
        if (m_draft->size > MealMasterReader::longestRecipe) {
            m_draft->tooLong = true;
            return;
        }
        addLine(*m_draft, decoder.decode(line));
    }

    void finish(bool closed) {
        RecipeDraft draft = std::move(*m_draft);
        m_draft.reset();
        RecipeEntry& entry = draft.entry;
        if (draft.tooLong) {
            problem(ImportProblem::Kind::Recipe, entry.line,
                    QStringLiteral("a recipe longer than 1 MB; it is left out"));
            return;
        }
        if (entry.title.isEmpty()) {
            problem(ImportProblem::Kind::Recipe, entry.line,
                    QStringLiteral("a recipe without a title; it is left out"));
            return;
        }
        if (!closed)
            problem(ImportProblem::Kind::Note, entry.line,
                    QStringLiteral("\"%1\" ends without its closing line; it is read as far as "
                                   "it goes")
                        .arg(QString::fromUtf8(entry.title)));
        entry.ingredients = draft.ingredients.text();
        entry.preparation = draft.directions.text();
        m_batch.recipes.push_back(std::move(entry));
    }

private:
    void problem(ImportProblem::Kind kind, qint64 line, const QString& message) {
        m_batch.problems.push_back({kind, m_fileName, line, message});
    }

    QString m_fileName;
    RecipeBatch& m_batch;
    std::optional<RecipeDraft> m_draft;
};

} // namespace

RecipeBatch MealMasterReader::read(QIODevice& device, const QString& fileName,
                                   ImportProgress* progress) {
    RecipeBatch batch;
    Reading reading(fileName, batch);
    LineReader lines(device, progress);
    LineDecoder decoder;
    while (const std::optional<QByteArrayView> line = lines.next()) {
        if (isBeginLine(*line)) {
            if (reading.isInRecipe())
                reading.finish(false);
            reading.begin(lines.lineNumber());
        } else if (!reading.isInRecipe()) {
            if (const std::optional<CodePage> codePage = declaredCodePage(*line))
                decoder.setCodePage(*codePage);
        } else if (isEndLine(*line)) {
            reading.finish(true);
        } else {
            reading.add(*line, decoder);
        }
    }
    if (reading.isInRecipe())
        reading.finish(false);
    if (lines.failed())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, lines.lineNumber(),
                                  QStringLiteral("the file could not be read to its end: %1")
                                      .arg(device.errorString())});
    if (batch.recipes.empty() && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no MealMaster recipe was found in this file")});
    return batch;
}

} // namespace savrona
