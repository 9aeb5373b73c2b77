// The MealMaster reader: finds the recipes among the lines of a file and takes each
// apart into its header fields, ingredient list and directions.
#include "cookbook/exchange/formats/mealmaster/MealMasterReader.h"

#include "cookbook/exchange/formats/CodePageGuess.h"
#include "cookbook/exchange/formats/ImportFile.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterLayout.h"
#include "data/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QThread>

#include <exception>
#include <optional>
#include <string>
#include <thread>

namespace savrona {

using namespace mealmaster;

namespace {

// The ingredient section: blocks of one- or two-column lines between headings
// and empty lines. A two-column block lists its left column first, then its
// right one; a continuation line joins the ingredient before it in that order.
class IngredientList {
public:
    // Left cells are stored at once, right ones when their block ends: the
    // left column comes first either way.
    void addLine(const IngredientLine& line) {
        if (line.left)
            addCell(*line.left);
        if (line.right)
            m_right.append(line.right->isContinuation()
                               ? Entry{line.right->continuedText().toByteArray(), true}
                               : Entry{line.right->storedText(), false});
    }

    void addHeading(QByteArrayView name) {
        if (name.isEmpty()) {
            addEmptyLine();
            return;
        }
        closeBlock();
        startLine();
        m_text.append(name.data(), std::size_t(name.size()));
    }

    void addEmptyLine() {
        closeBlock();
        if (!m_text.empty())
            ++m_waitingEmptyLines;
    }

    // The stored text; empty lines at either end are dropped.
    QByteArray text() {
        closeBlock();
        return QByteArray(m_text.data(), qsizetype(m_text.size()));
    }

private:
    struct Entry {
        QByteArray text; // the stored line, or what a continuation adds
        bool continues;
    };

    void addCell(const IngredientCell& cell) {
        if (cell.isContinuation()) {
            addContinuation(cell.continuedText());
            return;
        }
        startLine();
        bool first = true;
        for (const QByteArrayView part : {cell.amount, cell.unit, cell.text}) {
            if (part.isEmpty())
                continue;
            if (!first)
                m_text += ' ';
            m_text.append(part.data(), std::size_t(part.size()));
            first = false;
        }
        m_blockHasIngredient = true;
    }

    void addContinuation(QByteArrayView text) {
        if (m_blockHasIngredient) {
            m_text += ' ';
        } else {
            // Without an ingredient before it, a continuation is text.
            startLine();
            m_text += '-';
            m_blockHasIngredient = true;
        }
        m_text.append(text.data(), std::size_t(text.size()));
    }

    void closeBlock() {
        for (const Entry& entry : std::as_const(m_right)) {
            if (entry.continues) {
                addContinuation(entry.text);
            } else {
                startLine();
                m_text.append(entry.text.data(), std::size_t(entry.text.size()));
                m_blockHasIngredient = true;
            }
        }
        m_right.clear();
        m_blockHasIngredient = false;
    }

    void startLine() {
        if (m_text.empty())
            return;
        m_text += "\r\n";
        for (; m_waitingEmptyLines > 0; --m_waitingEmptyLines)
            m_text += "\r\n";
    }

    QList<Entry> m_right;
    // A standard string: appending the many small pieces is cheaper.
    std::string m_text;
    int m_waitingEmptyLines = 0;
    bool m_blockHasIngredient = false;
};

enum class Part { Header, Ingredients, Directions };

// The directions as read, flowed into paragraphs once all are there: a
// paragraph may be told by the indentation of the lines after it.
class DirectionsLines {
public:
    void addLine(QByteArrayView line) { m_lines.push_back({line.toByteArray(), false}); }
    void addHeading(QByteArrayView name) { m_lines.push_back({name.toByteArray(), true}); }

    QByteArray text() const {
        DirectionsFlow flow;
        std::vector<QByteArrayView> run;
        for (std::size_t index = 0; index <= m_lines.size(); ++index) {
            const bool endsRun = index == m_lines.size() || m_lines[index].isHeading ||
                                 withoutBlanks(m_lines[index].text).isEmpty();
            if (!endsRun) {
                run.push_back(m_lines[index].text);
                continue;
            }
            addRun(flow, run);
            run.clear();
            if (index == m_lines.size())
                break;
            if (m_lines[index].isHeading)
                flow.addHeading(m_lines[index].text);
            else
                flow.addLine(m_lines[index].text);
        }
        return flow.text();
    }

private:
    struct Line {
        QByteArray text;
        bool isHeading;
    };

    static void addRun(DirectionsFlow& flow, const std::vector<QByteArrayView>& run) {
        const std::vector<bool> starts = indentedParagraphStarts(run);
        for (std::size_t index = 0; index < run.size(); ++index)
            flow.addLine(run[index], starts[index]);
    }

    std::vector<Line> m_lines;
};

struct RecipeDraft {
    RecipeEntry entry;
    Part part = Part::Header;
    bool hasHeaderField = false;
    IngredientList ingredients;
    DirectionsLines directions;
};

// A recipe's lines as the file holds them, decoded once the recipe is
// whole: its code page, where the file declares none, is guessed from all
// of them.
class RawRecipe {
public:
    void addLine(QByteArrayView line) {
        m_bytes += line;
        m_lineEnds.push_back(m_bytes.size());
    }
    qsizetype size() const { return m_bytes.size(); }
    std::size_t lineCount() const { return m_lineEnds.size(); }
    QByteArrayView line(std::size_t index) const {
        const qsizetype start = index == 0 ? 0 : m_lineEnds[index - 1];
        return QByteArrayView(m_bytes).sliced(start, m_lineEnds[index] - start);
    }
    // Keeps the room taken, for the next recipe.
    void clear() {
        m_bytes.resize(0);
        m_lineEnds.clear();
    }

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_lineEnds;
};

std::optional<QByteArray> fieldValue(QByteArrayView line,
                                     std::initializer_list<QByteArrayView> keys) {
    for (const QByteArrayView key : keys) {
        if (line.size() > key.size() && line[key.size()] == ':' &&
            line.first(key.size()).compare(key, Qt::CaseInsensitive) == 0)
            return withoutBlanks(line.sliced(key.size() + 1)).toByteArray();
    }
    return std::nullopt;
}

// Title:, Categories: and Yield: (or Servings:); false for any other line.
bool readHeaderField(RecipeDraft& draft, QByteArrayView line) {
    const QByteArrayView trimmed = withoutBlanks(line);
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
    const bool blank = withoutBlanks(line).isEmpty();
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
            draft.ingredients.addLine(*ingredient);
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
    Reading(const QString& fileName, RecipeBatch& batch, std::optional<CodePage> declared)
        : m_fileName(fileName), m_batch(batch), m_declared(declared) {}

    // The code page the file names for what follows.
    void declare(CodePage codePage) { m_declared = codePage; }

    void begin(qint64 line) {
        m_beginLine = line;
        m_raw.clear();
        m_tooLong = false;
        m_isInRecipe = true;
    }

    bool isInRecipe() const { return m_isInRecipe; }

    void add(QByteArrayView line) {
        if (m_tooLong)
            return;
        if (m_raw.size() + line.size() > MealMasterReader::longestRecipe) {
            m_tooLong = true;
            m_raw.clear();
            return;
        }
        m_raw.addLine(line);
    }

    void finish(bool closed) {
        m_isInRecipe = false;
        if (m_tooLong) {
            problem(ImportProblem::Kind::Recipe, m_beginLine,
                    QStringLiteral("a recipe longer than 1 MB; it is left out"));
            return;
        }
        RecipeDraft draft = readRaw();
        RecipeEntry& entry = draft.entry;
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
    RecipeDraft readRaw() {
        m_decoder.setCodePage(m_declared ? *m_declared : guessedCodePage());
        RecipeDraft draft;
        draft.entry.file = m_fileName;
        draft.entry.line = m_beginLine;
        for (std::size_t index = 0; index < m_raw.lineCount(); ++index)
            addLine(draft, m_decoder.decode(m_raw.line(index)));
        return draft;
    }

    CodePage guessedCodePage() const {
        CodePageGuess guess;
        for (std::size_t index = 0; index < m_raw.lineCount(); ++index)
            guess.add(m_raw.line(index));
        return guess.guess();
    }

    void problem(ImportProblem::Kind kind, qint64 line, const QString& message) {
        m_batch.problems.push_back({kind, m_fileName, line, message});
    }

    QString m_fileName;
    RecipeBatch& m_batch;
    std::optional<CodePage> m_declared;
    LineDecoder m_decoder;
    RawRecipe m_raw;
    qint64 m_beginLine = 0;
    bool m_isInRecipe = false;
    bool m_tooLong = false;
};

constexpr qint64 linesBetweenCancelChecks = 1024;

// What reading one part of a file gave, and what the next part needs to know.
struct PartRead {
    RecipeBatch batch;
    qint64 lineCount = 0;
    std::optional<CodePage> codePageAtEnd; // the last one the part declares
    bool tooLarge = false;
};

// The bytes a part reads: up to where the next part begins, or to the end of
// the file when that comes before largest bytes.
struct PartEnd {
    std::optional<qint64> nextPart;
    qint64 largest = 0;
};

PartRead readPart(QIODevice& device, const QString& fileName, ImportProgress* progress, PartEnd end,
                  std::optional<CodePage> declared) {
    PartRead part;
    Reading reading(fileName, part.batch, declared);
    // One byte past the largest tells a file too large.
    LineReader lines(device, progress, end.nextPart ? *end.nextPart : end.largest + 1);
    while (const std::optional<QByteArrayView> line = lines.next()) {
        // A block of small recipes takes a while: a cancel is looked for
        // within one, too.
        if (progress && lines.lineNumber() % linesBetweenCancelChecks == 0)
            progress->throwIfCancelled();
        if (isBeginLine(*line)) {
            if (reading.isInRecipe())
                reading.finish(false);
            reading.begin(lines.lineNumber());
        } else if (!reading.isInRecipe()) {
            if (const std::optional<CodePage> named = declaredCodePage(*line)) {
                reading.declare(*named);
                part.codePageAtEnd = *named;
            }
        } else if (isEndLine(*line)) {
            reading.finish(true);
        } else {
            reading.add(*line);
        }
    }
    if (!end.nextPart && lines.bytesRead() > end.largest) {
        part.tooLarge = true;
        part.batch = {};
        return part;
    }
    if (reading.isInRecipe())
        reading.finish(false);
    if (lines.failed())
        part.batch.problems.push_back({ImportProblem::Kind::File, fileName, lines.lineNumber(),
                                       QStringLiteral("the file could not be read to its end: %1")
                                           .arg(device.errorString())});
    part.lineCount = lines.lineNumber();
    return part;
}

RecipeBatch fileProblem(const QString& fileName, const QString& message) {
    RecipeBatch batch;
    batch.problems.push_back({ImportProblem::Kind::File, fileName, 0, message});
    return batch;
}

RecipeBatch withEmptinessNoted(RecipeBatch batch, const QString& fileName) {
    if (batch.recipes.empty() && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no MealMaster recipe was found in this file")});
    return batch;
}

// Where the second half of a large file may begin: the first recipe that
// begins after the middle, if one begins soon after it.
std::optional<qint64> secondHalfStart(const QString& path, qint64 size) {
    constexpr qint64 farthestSearch = 16 * 1024 * 1024;
    QFile file;
    const qint64 middle = size / 2;
    try {
        ImportFile::open(file, path);
    } catch (const Error&) {
        return std::nullopt; // reading the first half tells why
    }
    if (!file.seek(middle))
        return std::nullopt;
    LineReader lines(file, nullptr, farthestSearch);
    lines.next(); // the rest of the line the middle falls in
    while (const std::optional<QByteArrayView> line = lines.next()) {
        if (isBeginLine(*line))
            return middle + lines.lineOffset();
    }
    return std::nullopt;
}

PartRead readPartOfFile(const QString& path, ImportProgress* progress, qint64 start, PartEnd end,
                        std::optional<CodePage> declared) {
    QFile file;
    try {
        ImportFile::open(file, path);
        if (start != 0 && !file.seek(start))
            throw Error(QStringLiteral("the file cannot be opened: %1").arg(file.errorString()));
    } catch (const Error& error) {
        PartRead failed;
        failed.batch = fileProblem(path, error.message());
        return failed;
    }
    return readPart(file, path, progress, end, declared);
}

void append(RecipeBatch& batch, RecipeBatch&& more, qint64 lineShift) {
    for (RecipeEntry& recipe : more.recipes) {
        recipe.line += lineShift;
        batch.recipes.push_back(std::move(recipe));
    }
    for (ImportProblem& problem : more.problems) {
        if (problem.line > 0)
            problem.line += lineShift;
        batch.problems.push_back(std::move(problem));
    }
}

} // namespace

RecipeBatch MealMasterReader::read(QIODevice& device, const QString& fileName,
                                   ImportProgress* progress, qint64 largest) {
    PartRead part =
        readPart(device, fileName, progress, PartEnd{std::nullopt, largest}, std::nullopt);
    if (part.tooLarge)
        return fileProblem(fileName, ImportFile::tooLargeMessage(largest));
    return withEmptinessNoted(std::move(part.batch), fileName);
}

RecipeBatch MealMasterReader::readFile(const QString& path, ImportProgress* progress,
                                       qint64 inHalvesFrom) {
    constexpr qint64 largest = ImportFile::largestFile;
    const qint64 size = QFileInfo(path).size();
    const std::optional<qint64> split = size >= inHalvesFrom && QThread::idealThreadCount() > 1
                                            ? secondHalfStart(path, size)
                                            : std::nullopt;
    if (!split) {
        PartRead whole =
            readPartOfFile(path, progress, 0, PartEnd{std::nullopt, largest}, std::nullopt);
        if (whole.tooLarge)
            return fileProblem(path, ImportFile::tooLargeMessage(largest));
        return withEmptinessNoted(std::move(whole.batch), path);
    }
    const PartEnd secondEnd{std::nullopt, largest - *split};
    PartRead first;
    std::exception_ptr firstFailure;
    std::thread firstHalf([&] {
        try {
            first = readPartOfFile(path, progress, 0, PartEnd{*split, largest}, std::nullopt);
        } catch (...) {
            firstFailure = std::current_exception();
        }
    });
    std::exception_ptr secondFailure;
    PartRead second;
    try {
        second = readPartOfFile(path, progress, *split, secondEnd, std::nullopt);
    } catch (...) {
        secondFailure = std::current_exception();
    }
    firstHalf.join();
    for (const std::exception_ptr& failure : {firstFailure, secondFailure})
        if (failure)
            std::rethrow_exception(failure);
    // A code page the first half declared holds for the second half too.
    if (first.codePageAtEnd && !second.tooLarge)
        second = readPartOfFile(path, progress, *split, secondEnd, first.codePageAtEnd);
    if (second.tooLarge)
        return fileProblem(path, ImportFile::tooLargeMessage(largest));
    RecipeBatch batch = std::move(first.batch);
    append(batch, std::move(second.batch), first.lineCount);
    return withEmptinessNoted(std::move(batch), path);
}

} // namespace savrona
