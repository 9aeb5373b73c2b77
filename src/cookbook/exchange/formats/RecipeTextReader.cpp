// Takes the texts of exported recipes apart by their fixed lines.
#include "cookbook/exchange/formats/RecipeTextReader.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/SourceText.h"

#include <deque>

namespace savrona {

namespace {

const QByteArray rule(50, '-');
constexpr QByteArrayView exportedBy("Recipe exported by ");

// Looks for a cancel every so many lines.
class CancelChecks {
public:
    explicit CancelChecks(ImportProgress* progress) : m_progress(progress) {}
    void atLine(qint64 line) {
        if (m_progress == nullptr || line < m_nextCheck)
            return;
        m_nextCheck = line + linesBetween;
        m_progress->throwIfCancelled();
    }

private:
    static constexpr qint64 linesBetween = 4 * 1024;
    ImportProgress* m_progress;
    qint64 m_nextCheck = 0;
};

struct Line {
    QByteArrayView text; // without its break
    qsizetype begin = 0; // where it begins in the whole text
    qsizetype next = 0;  // where the next line begins

    qsizetype end() const { return begin + text.size(); }
};

// The lines of a text, separated by CR LF, LF or CR alone (a break at the end
// ends the last line), read forward. Only the lines from the oldest still
// wanted to the newest asked for are held, so that a text of any number of
// lines takes little more memory than the text.
class LineWindow {
public:
    explicit LineWindow(QByteArrayView text) : m_text(text) {}

    // Line index (from 0), or nothing past the last line. Never one that was
    // let go.
    const Line* at(qint64 index) {
        while (m_first + qint64(m_lines.size()) <= index) {
            if (m_next >= m_text.size())
                return nullptr;
            readLine();
        }
        return &m_lines[std::size_t(index - m_first)];
    }
    // Lets go of the lines before index.
    void forgetBefore(qint64 index) {
        while (m_first < index && !m_lines.empty()) {
            m_lines.pop_front();
            ++m_first;
        }
    }
    // How many lines the text has; only once at() has found the end.
    qint64 count() const { return m_first + qint64(m_lines.size()); }
    QByteArrayView text() const { return m_text; }

private:
    void readLine() {
        const qsizetype begin = m_next;
        qsizetype end = begin;
        while (end < m_text.size() && m_text[end] != '\r' && m_text[end] != '\n')
            ++end;
        m_next = end;
        if (m_next < m_text.size())
            m_next += m_text.sliced(m_next).startsWith("\r\n") ? 2 : 1;
        m_lines.push_back({m_text.sliced(begin, end - begin), begin, m_next});
    }

    QByteArrayView m_text;
    std::deque<Line> m_lines;
    qint64 m_first = 0;
    qsizetype m_next = 0;
};

// Line `at` begins the six lines that open an exported recipe.
bool opensRecipe(LineWindow& lines, qint64 at) {
    return lines.at(at + 5) != nullptr && lines.at(at)->text.isEmpty() &&
           lines.at(at + 3)->text.isEmpty() && lines.at(at + 4)->text == rule &&
           lines.at(at + 5)->text.isEmpty();
}

// Line `at` is the rule that closes a recipe.
bool closesRecipe(LineWindow& lines, qint64 at) {
    return lines.at(at)->text == rule && lines.at(at + 1) != nullptr &&
           lines.at(at + 1)->text.startsWith(exportedBy) && lines.at(at - 1)->text.isEmpty();
}

// The text from one offset to another, its line breaks made CR LF.
QByteArray joined(QByteArrayView text, qsizetype from, qsizetype to) {
    const QByteArrayView lines = text.sliced(from, to - from);
    QByteArray result;
    result.reserve(lines.size() + lines.count('\n') + lines.count('\r'));
    for (qsizetype at = 0; at < lines.size(); ++at) {
        if (lines[at] == '\r' || lines[at] == '\n') {
            result += "\r\n";
            if (lines.sliced(at).startsWith("\r\n"))
                ++at;
        } else {
            result += lines[at];
        }
    }
    return result;
}

struct Body {
    QByteArray ingredients;
    QByteArray preparation;
    bool closed = false;
    qint64 next = 0; // the line after the recipe
};

// The ingredients and the preparation from line `body` on: up to the empty
// line and the rule that close the recipe, or to the end of the text. The
// first empty line after the first ingredient line ends the ingredients.
Body readBody(LineWindow& lines, qint64 body, CancelChecks& cancelChecks) {
    const qsizetype bodyBegin = lines.at(body) != nullptr ? lines.at(body)->begin : 0;
    // The first empty line after the first line of the body, and where the
    // line before it ends.
    bool emptyLineSeen = false;
    Line emptyLine;
    qsizetype beforeEmptyEnd = 0;
    const auto see = [&](qint64 index) {
        if (!emptyLineSeen && index > body && lines.at(index)->text.isEmpty()) {
            emptyLineSeen = true;
            emptyLine = *lines.at(index);
            beforeEmptyEnd = lines.at(index - 1)->end();
        }
    };
    qint64 close = body + 1;
    for (; lines.at(close) != nullptr; ++close) {
        see(close - 1);
        if (closesRecipe(lines, close))
            break;
        lines.forgetBefore(close - 1);
        cancelChecks.atLine(close);
    }
    Body read;
    read.closed = lines.at(close) != nullptr;
    const qint64 end = read.closed ? close - 1 : lines.count();
    read.next = read.closed ? close + 3 : end;
    if (!read.closed && end - 1 > body)
        see(end - 1);
    if (end <= body)
        return read;
    const Line last = *lines.at(end - 1);
    const bool split = emptyLineSeen && emptyLine.begin <= last.begin;
    read.ingredients = joined(lines.text(), bodyBegin, split ? beforeEmptyEnd : last.end());
    if (split && emptyLine.next <= last.begin)
        read.preparation = joined(lines.text(), emptyLine.next, last.end());
    return read;
}

} // namespace

bool RecipeTextReader::hasLayout(QByteArrayView start) {
    const QByteArray text =
        textAsUtf8(start.first(std::min<qsizetype>(start.size(), 4096)).toByteArray());
    LineWindow lines(text);
    return opensRecipe(lines, 0);
}

RecipeBatch RecipeTextReader::read(QByteArray bytes, const QString& fileName,
                                   ImportProgress* progress) {
    RecipeBatch batch;
    const QByteArray text = textAsUtf8(std::move(bytes), progress);
    LineWindow lines(text);
    CancelChecks cancelChecks(progress);
    qint64 at = 0;
    while (lines.at(at) != nullptr) {
        lines.forgetBefore(at);
        cancelChecks.atLine(at);
        if (!opensRecipe(lines, at)) {
            ++at;
            continue;
        }
        RecipeEntry recipe;
        recipe.file = fileName;
        recipe.line = at + 1;
        if (!lines.at(at + 1)->text.isEmpty())
            recipe.categories.append(lines.at(at + 1)->text.toByteArray());
        recipe.title = lines.at(at + 2)->text.toByteArray();
        Body body = readBody(lines, at + 6, cancelChecks);
        recipe.ingredients = std::move(body.ingredients);
        recipe.preparation = std::move(body.preparation);
        at = body.next;
        if (recipe.title.isEmpty()) {
            batch.problems.push_back({ImportProblem::Kind::Recipe, fileName, recipe.line,
                                      QStringLiteral("a recipe without a title; it is left out")});
            continue;
        }
        if (!body.closed)
            batch.problems.push_back(
                {ImportProblem::Kind::Note, fileName, recipe.line,
                 QStringLiteral("\"%1\" is cut off before its closing lines; it is read as far "
                                "as it goes")
                     .arg(QString::fromUtf8(recipe.title))});
        batch.recipes.push_back(std::move(recipe));
    }
    if (batch.recipes.empty() && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no exported recipe was found in this file")});
    return batch;
}

} // namespace savrona
