#include "initial-cookbook/CookbookSource.h"

#include "data/Error.h"

#include <QRegularExpression>

namespace savrona::cookbook {

namespace {

// Beyond ASCII, the cookbook's texts use these alone: each has a byte in
// Windows-1252, the code page of the packets.
bool isAllowedCharacter(QChar character) {
    const char16_t code = character.unicode();
    return (code >= 0x20 && code <= 0x7E) || code == u'°' || code == u'é' || code == u'½' ||
           code == u'¼';
}

// The lines of a file, numbered from 1 in messages.
class LineReader {
public:
    LineReader(const QString& text, QString fileName) : m_fileName(std::move(fileName)) {
        m_lines = text.split(QLatin1Char('\n'));
        if (!m_lines.isEmpty() && m_lines.last().isEmpty())
            m_lines.removeLast();
        for (QString& line : m_lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
        }
    }

    bool atEnd() const { return m_next >= m_lines.size(); }
    const QString& peek() const { return m_lines[m_next]; }

    QString take() {
        if (atEnd())
            fail(QStringLiteral("the file ends in the middle of a record"));
        m_current = m_next++;
        checkCharacters(m_lines[m_current]);
        return m_lines[m_current];
    }

    // The place of the line last taken.
    SourcePlace place() const { return QStringLiteral("%1:%2").arg(m_fileName).arg(m_current + 1); }

    [[noreturn]] void fail(const QString& detail) const {
        throw Error(QStringLiteral("%1: %2").arg(place(), detail));
    }

    // Takes a line "<label>: <value>" and returns the value.
    QString takeLabelled(const QString& label) {
        const QString line = take();
        const QString prefix = label + QStringLiteral(": ");
        if (!line.startsWith(prefix))
            fail(QStringLiteral("expected \"%1\"").arg(prefix));
        return line.mid(prefix.size());
    }

    std::int32_t toNumber(const QString& text) const {
        bool isNumber = false;
        const int number = text.toInt(&isNumber);
        if (!isNumber || number <= 0 || text != QString::number(number))
            fail(QStringLiteral("\"%1\" is not an ID (a whole number from 1)").arg(text));
        return number;
    }

    std::optional<std::int32_t> toNumberOrNull(const QString& text) const {
        if (text == QLatin1String("null"))
            return std::nullopt;
        return toNumber(text);
    }

private:
    void checkCharacters(const QString& line) const {
        for (const QChar character : line) {
            if (!isAllowedCharacter(character))
                throw Error(QStringLiteral("%1: the character U+%2 is not one the cookbook may use")
                                .arg(place())
                                .arg(character.unicode(), 4, 16, QLatin1Char('0')));
        }
    }

    QStringList m_lines;
    QString m_fileName;
    qsizetype m_next = 0;
    qsizetype m_current = 0;
};

bool isSkipped(const QString& line) {
    return line.isEmpty() || line.startsWith(QLatin1Char('#'));
}

bool isMarker(const QString& line) {
    return line.startsWith(QLatin1Char('@'));
}

// The lines of a text up to the next marker line, kept exactly.
QStringList takeTextLines(LineReader& reader) {
    QStringList lines;
    while (!reader.atEnd() && !isMarker(reader.peek()))
        lines.append(reader.take());
    if (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        reader.fail(QStringLiteral("a text ends in a blank line"));
    return lines;
}

void expectMarker(LineReader& reader, QLatin1String marker) {
    if (reader.take() != marker)
        reader.fail(QStringLiteral("expected \"%1\"").arg(marker));
}

// Reads one record after its "@recipe" line.
SourceRecipe takeRecipe(LineReader& reader) {
    SourceRecipe recipe;
    recipe.place = reader.place();
    recipe.id = reader.toNumber(reader.takeLabelled(QStringLiteral("ID")));
    recipe.categoryId = reader.toNumberOrNull(reader.takeLabelled(QStringLiteral("Category")));
    recipe.title = reader.takeLabelled(QStringLiteral("Title"));
    if (recipe.title.trimmed() != recipe.title || recipe.title.isEmpty())
        reader.fail(QStringLiteral("a title must not be empty or begin or end with a blank"));
    expectMarker(reader, QLatin1String("@ingredients"));
    recipe.ingredients = takeTextLines(reader);
    expectMarker(reader, QLatin1String("@preparation"));
    recipe.preparation = takeTextLines(reader);
    expectMarker(reader, QLatin1String("@end"));
    return recipe;
}

// The changed lines of one text, each marked "-", "+" or " ".
TextChange takeTextChange(LineReader& reader) {
    TextChange change;
    bool changesSomething = false;
    while (!reader.atEnd() && !isMarker(reader.peek())) {
        const QString line = reader.take();
        const QChar mark = line.isEmpty() ? QChar() : line.front();
        const QString content = line.mid(1);
        if (mark == QLatin1Char('-') || mark == QLatin1Char(' '))
            change.before.append(content);
        if (mark == QLatin1Char('+') || mark == QLatin1Char(' '))
            change.after.append(content);
        if (mark != QLatin1Char('-') && mark != QLatin1Char('+') && mark != QLatin1Char(' '))
            reader.fail(QStringLiteral("a changed line begins with \"-\", \"+\" or a blank"));
        changesSomething = changesSomething || mark != QLatin1Char(' ');
    }
    if (!changesSomething)
        reader.fail(QStringLiteral("the change changes no line"));
    if (change.after.isEmpty())
        reader.fail(QStringLiteral("a change needs a line after it to be found by; add one "
                                   "unchanged line"));
    return change;
}

// Reads an edit after its "@edit <title>" line.
RecipeEdited takeEdit(LineReader& reader, const QString& title) {
    RecipeEdited edit;
    edit.title = title;
    if (!reader.atEnd() && reader.peek().startsWith(QStringLiteral("Title: ")))
        edit.newTitle = reader.takeLabelled(QStringLiteral("Title"));
    for (;;) {
        const QString marker = reader.take();
        if (marker == QLatin1String("@end"))
            break;
        if (marker == QLatin1String("@ingredients") && !edit.ingredients)
            edit.ingredients = takeTextChange(reader);
        else if (marker == QLatin1String("@preparation") && !edit.preparation)
            edit.preparation = takeTextChange(reader);
        else
            reader.fail(QStringLiteral("expected \"@ingredients\", \"@preparation\" or \"@end\""));
    }
    if (!edit.newTitle && !edit.ingredients && !edit.preparation)
        reader.fail(QStringLiteral("the edit changes nothing"));
    return edit;
}

// The words and "quoted texts" of a change line, taken in order.
class Words {
public:
    Words(const QString& line, const LineReader& reader) : m_reader(reader) {
        static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
        for (const QRegularExpressionMatch& match : word.globalMatch(line)) {
            const bool quoted = match.capturedStart(1) >= 0;
            m_words.append({quoted ? match.captured(1) : match.captured(2), quoted});
        }
    }

    void expect(QLatin1String keyword) {
        const Word word = next();
        if (word.quoted || word.text != keyword)
            m_reader.fail(QStringLiteral("expected \"%1\"").arg(keyword));
    }

    QString quoted() {
        const Word word = next();
        if (!word.quoted)
            m_reader.fail(QStringLiteral("expected a name between double quotes"));
        return word.text;
    }

    // A word that is not between quotes.
    QString word() {
        const Word word = next();
        if (word.quoted)
            m_reader.fail(QStringLiteral("expected a word, not \"%1\"").arg(word.text));
        return word.text;
    }

    std::int32_t number() { return m_reader.toNumber(word()); }
    std::optional<std::int32_t> numberOrNull() { return m_reader.toNumberOrNull(word()); }

    void expectEnd() const {
        if (m_position != m_words.size())
            m_reader.fail(QStringLiteral("unexpected \"%1\"").arg(m_words[m_position].text));
    }

private:
    struct Word {
        QString text;
        bool quoted = false;
    };

    Word next() {
        if (m_position >= m_words.size())
            m_reader.fail(QStringLiteral("the line ends too early"));
        return m_words[m_position++];
    }

    QList<Word> m_words;
    qsizetype m_position = 0;
    const LineReader& m_reader;
};

std::vector<HistoryChange> categoryChanges(const QString& verb, Words& words,
                                           const LineReader& reader) {
    const std::int32_t id = words.number();
    const QString name = words.quoted();
    if (verb == QLatin1String("add"))
        return {CategoryAdded{id, name}};
    if (verb == QLatin1String("delete"))
        return {CategoryDeleted{id, name}};
    if (verb == QLatin1String("rename")) {
        words.expect(QLatin1String("to"));
        return {CategoryRenamed{id, name, words.quoted()}};
    }
    reader.fail(QStringLiteral("a category is added, renamed or deleted"));
}

std::vector<HistoryChange> recipeChanges(const QString& verb, Words& words,
                                         const LineReader& reader) {
    if (verb == QLatin1String("add"))
        return {RecipeAdded{words.number()}};
    if (verb == QLatin1String("delete"))
        return {RecipeDeleted{words.quoted()}};
    if (verb == QLatin1String("move")) {
        RecipeMoved move{words.quoted(), {}, {}};
        words.expect(QLatin1String("from"));
        move.fromCategoryId = words.numberOrNull();
        words.expect(QLatin1String("to"));
        move.toCategoryId = words.numberOrNull();
        return {move};
    }
    reader.fail(QStringLiteral("a recipe is added, moved or deleted"));
}

// "add recipes 38 to 61": the recipes with these IDs, added one after another.
std::vector<HistoryChange> recipeRangeAdded(Words& words, const LineReader& reader) {
    const std::int32_t first = words.number();
    words.expect(QLatin1String("to"));
    const std::int32_t last = words.number();
    if (last <= first)
        reader.fail(QStringLiteral("a range of IDs runs upwards"));
    std::vector<HistoryChange> changes;
    for (std::int32_t id = first; id <= last; ++id)
        changes.push_back(RecipeAdded{id});
    return changes;
}

std::vector<HistoryChange> changesOfLine(const QString& line, const LineReader& reader) {
    Words words(line, reader);
    const QString verb = words.word();
    const QString noun = words.word();
    std::vector<HistoryChange> changes;
    if (noun == QLatin1String("category"))
        changes = categoryChanges(verb, words, reader);
    else if (noun == QLatin1String("recipe"))
        changes = recipeChanges(verb, words, reader);
    else if (verb == QLatin1String("add") && noun == QLatin1String("recipes"))
        changes = recipeRangeAdded(words, reader);
    else
        reader.fail(QStringLiteral("expected a change, such as \"add category\""));
    words.expectEnd();
    return changes;
}

} // namespace

std::vector<SourceCategory> readCategories(const QString& text, const QString& fileName) {
    static const QRegularExpression categoryLine(QStringLiteral(R"(^(\S+) +(\S.*)$)"));
    LineReader reader(text, fileName);
    std::vector<SourceCategory> categories;
    while (!reader.atEnd()) {
        const QString line = reader.take();
        if (isSkipped(line))
            continue;
        const QRegularExpressionMatch match = categoryLine.match(line);
        if (!match.hasMatch() || match.captured(2).trimmed() != match.captured(2))
            reader.fail(QStringLiteral("expected a category's ID and name"));
        categories.push_back(
            {reader.toNumber(match.captured(1)), match.captured(2), reader.place()});
    }
    return categories;
}

std::vector<SourceRecipe> readRecipes(const QString& text, const QString& fileName) {
    LineReader reader(text, fileName);
    std::vector<SourceRecipe> recipes;
    while (!reader.atEnd()) {
        const QString line = reader.take();
        if (isSkipped(line))
            continue;
        if (line != QLatin1String("@recipe"))
            reader.fail(QStringLiteral("expected \"@recipe\", a comment or a blank line"));
        recipes.push_back(takeRecipe(reader));
    }
    return recipes;
}

History readHistory(const QString& text, const QString& fileName) {
    static const QString editMarker = QStringLiteral("@edit ");
    LineReader reader(text, fileName);
    History history;
    while (!reader.atEnd()) {
        const QString line = reader.take();
        if (isSkipped(line))
            continue;
        if (line == QLatin1String("@recipe")) {
            history.deletedRecipes.push_back(takeRecipe(reader));
        } else if (line.startsWith(editMarker)) {
            const SourcePlace place = reader.place();
            history.events.push_back({takeEdit(reader, line.mid(editMarker.size())), place});
        } else {
            for (HistoryChange& change : changesOfLine(line, reader))
                history.events.push_back({std::move(change), reader.place()});
        }
    }
    return history;
}

} // namespace savrona::cookbook
