// Finds schema.org Recipe objects in JSON-LD and reads their properties into recipes.
#include "cookbook/exchange/formats/json/RecipeJsonReader.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/json/JsonLocator.h"
#include "cookbook/exchange/formats/json/JsonPieces.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace savrona {

namespace {

enum class Origin { Document, Page };

// Deep enough for any page's nesting of recipes and instruction sections.
constexpr int deepestRecipe = 64;
constexpr int deepestInstructions = 16;

const QString lineEnd = QStringLiteral("\r\n");

QStringList splitLines(const QString& text) {
    // Most texts are one line: no expression to run over them.
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return {text};
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

// "&amp;", "&#8217;" and the like, as web pages write them inside JSON-LD.
QString decodeEntities(const QString& text) {
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|"
                                                          "[a-zA-Z][a-zA-Z0-9]{1,8});"));
    static const QHash<QString, QString> named{
        {"amp", "&"},         {"lt", "<"},         {"gt", ">"},          {"quot", "\""},
        {"apos", "'"},        {"nbsp", " "},       {"ndash", "\u2013"},  {"mdash", "\u2014"},
        {"hellip", "\u2026"}, {"deg", "\u00B0"},   {"frac12", "\u00BD"}, {"frac14", "\u00BC"},
        {"frac34", "\u00BE"}, {"rsquo", "\u2019"}, {"lsquo", "\u2018"},  {"rdquo", "\u201D"},
        {"ldquo", "\u201C"},  {"times", "\u00D7"}, {"eacute", "\u00E9"}, {"egrave", "\u00E8"}};
    QString decoded;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : entity.globalMatch(text)) {
        const QString name = match.captured(1);
        QString replacement;
        if (name.startsWith(u'#')) {
            bool valid = false;
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            const uint code = name.mid(hex ? 2 : 1).toUInt(&valid, hex ? 16 : 10);
            if (valid && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t character = code;
                replacement = QString::fromUcs4(&character, 1);
            }
        } else {
            replacement = named.value(name);
        }
        if (replacement.isNull())
            continue;
        decoded += QStringView(text).mid(copied, match.capturedStart() - copied);
        decoded += replacement;
        copied = match.capturedEnd();
    }
    if (copied == 0)
        return text;
    decoded += QStringView(text).mid(copied);
    return decoded;
}

// A text of a web page as plain lines: breaks and paragraphs become lines,
// other tags go, entities are decoded, blanks trimmed, empty lines dropped.
QStringList pageLines(QString text) {
    static const QRegularExpression breaks(QStringLiteral("<br\\s*/?>|</p>|</li>|</div>|</h[1-6]>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("</?[a-zA-Z][^<>]*>"));
    text.replace(breaks, QStringLiteral("\n"));
    text.remove(tags);
    QStringList lines;
    for (const QString& line : splitLines(decodeEntities(text))) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty())
            lines.append(simplified);
    }
    return lines;
}

QString pageText(const QString& text) {
    return pageLines(text).join(u' ');
}

// A text of the document without the control characters (but the tab and
// the line breaks) that a JSON escape can carry.
QString scalarText(const QJsonValue& value) {
    if (value.isString()) {
        QString text = value.toString();
        text.removeIf([](QChar character) {
            const char16_t code = character.unicode();
            return (code < 0x20 && code != u'\t' && code != u'\r' && code != u'\n') || code == 0x7F;
        });
        return text;
    }
    if (value.isDouble()) {
        const double number = value.toDouble();
        return QString::number(number, 'g', 15);
    }
    return QString();
}

QStringList typeNames(const QJsonValue& type) {
    QStringList names;
    const QJsonArray types = type.isArray() ? type.toArray() : QJsonArray{type};
    for (const QJsonValue& name : types) {
        QString text = name.toString();
        for (const QString& prefix :
             {QStringLiteral("http://schema.org/"), QStringLiteral("https://schema.org/"),
              QStringLiteral("schema:")})
            if (text.startsWith(prefix, Qt::CaseInsensitive))
                text = text.mid(prefix.size());
        names.append(text);
    }
    return names;
}

bool isOfType(const QJsonValue& typeValue, const QString& type) {
    return typeNames(typeValue).contains(type, Qt::CaseInsensitive);
}

bool hasType(const QJsonObject& object, const QString& type) {
    return isOfType(object.value(QStringLiteral("@type")), type);
}

class RecipeCollector {
public:
    RecipeCollector(Origin origin, const QString& fileName, RecipeBatch& batch,
                    ImportProgress* progress)
        : m_origin(origin), m_fileName(fileName), m_batch(batch), m_progress(progress) {}

    // Every Recipe object of a piece of the document.
    void collect(const JsonPieces::Piece& piece) {
        if (piece.value.isUndefined()) {
            ++m_found;
            m_batch.problems.push_back({ImportProblem::Kind::Recipe, m_fileName, piece.line,
                                        QStringLiteral("a Recipe larger than %1 MB; it is left out")
                                            .arg(JsonPieces::largestPiece / (1024 * 1024))});
            return;
        }
        m_locator.emplace(piece.text);
        m_firstLine = piece.line;
        JsonPath path;
        collect(piece.value, path, piece.depth);
    }

    int recipesFound() const { return m_found; }

private:
    // Every Recipe object in the value, in document order where the document
    // gives one (arrays), by key otherwise. path leads to the value from the
    // top of the piece.
    void collect(const QJsonValue& value, JsonPath& path, int depth) {
        if (depth > deepestRecipe)
            return;
        if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype index = 0; index < array.size(); ++index) {
                path.push_back(index);
                collect(array.at(index), path, depth + 1);
                path.pop_back();
            }
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            if (hasType(object, QStringLiteral("Recipe"))) {
                addRecipe(object, path);
                return;
            }
            for (auto member = object.begin(); member != object.end(); ++member) {
                path.push_back(member.key());
                collect(member.value(), path, depth + 1);
                path.pop_back();
            }
        }
    }

    void addRecipe(const QJsonObject& object, const JsonPath& path) {
        // A piece may hold thousands of small recipes.
        if (m_progress)
            m_progress->throwIfCancelled();
        ++m_found;
        RecipeEntry recipe;
        recipe.file = m_fileName;
        recipe.line = m_firstLine + m_locator->lineOf(path) - 1;
        QString title = scalarText(object.value(QStringLiteral("name")));
        if (title.isEmpty())
            title = scalarText(object.value(QStringLiteral("headline")));
        if (m_origin == Origin::Page)
            title = pageText(title);
        if (title.isEmpty()) {
            m_batch.problems.push_back({ImportProblem::Kind::Recipe, m_fileName, recipe.line,
                                        QStringLiteral("a Recipe without a name; it is left out")});
            return;
        }
        recipe.title = title.toUtf8();
        recipe.categories = categories(object.value(QStringLiteral("recipeCategory")));
        QJsonValue ingredients = object.value(QStringLiteral("recipeIngredient"));
        if (ingredients.isUndefined())
            ingredients = object.value(QStringLiteral("ingredients"));
        recipe.ingredients = ingredientLines(ingredients).join(lineEnd).toUtf8();
        QStringList steps;
        instructionLines(object.value(QStringLiteral("recipeInstructions")), steps, 0);
        recipe.preparation = steps.join(lineEnd).toUtf8();
        if (const std::optional<QString> yield =
                yieldText(object.value(QStringLiteral("recipeYield"))))
            recipe.servings = yield->toUtf8();
        if (const QString source = sourceText(object); !source.isEmpty())
            recipe.notes = source.toUtf8();
        m_batch.recipes.push_back(std::move(recipe));
    }

    QString cleaned(const QString& text) const {
        return m_origin == Origin::Page ? pageText(text) : text;
    }

    QList<QByteArray> categories(const QJsonValue& value) const {
        QList<QByteArray> names;
        const auto add = [&](const QString& name) {
            if (!name.trimmed().isEmpty())
                names.append(name.toUtf8());
        };
        if (value.isArray()) {
            for (const QJsonValue& element : value.toArray())
                add(cleaned(scalarText(element)));
        } else {
            // A single text may list several, separated by commas.
            for (const QString& name : cleaned(scalarText(value)).split(u','))
                add(name.trimmed());
        }
        return names;
    }

    QStringList textLines(const QString& text) const {
        return m_origin == Origin::Page ? pageLines(text) : splitLines(text);
    }

    QStringList ingredientLines(const QJsonValue& value) const {
        QStringList lines;
        const QJsonArray elements = value.isArray() ? value.toArray() : QJsonArray{value};
        for (const QJsonValue& element : elements) {
            if (element.isString() || element.isDouble())
                lines.append(textLines(scalarText(element)));
        }
        return lines;
    }

    // Steps one to a line; a section's name on a line of its own before its steps.
    void instructionLines(const QJsonValue& value, QStringList& lines, int depth) const {
        if (depth > deepestInstructions)
            return;
        if (value.isString()) {
            lines.append(textLines(scalarText(value)));
        } else if (value.isArray()) {
            for (const QJsonValue& element : value.toArray())
                instructionLines(element, lines, depth + 1);
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            const QJsonValue items = object.value(QStringLiteral("itemListElement"));
            if (hasType(object, QStringLiteral("HowToSection")) ||
                hasType(object, QStringLiteral("ItemList"))) {
                const QString name = scalarText(object.value(QStringLiteral("name")));
                if (!name.trimmed().isEmpty())
                    lines.append(textLines(name));
                instructionLines(items, lines, depth + 1);
                return;
            }
            QString text = scalarText(object.value(QStringLiteral("text")));
            if (text.isEmpty())
                text = scalarText(object.value(QStringLiteral("name")));
            if (!text.isEmpty())
                lines.append(textLines(text));
            else
                instructionLines(items, lines, depth + 1);
        }
    }

    // A text as it is; of several yields, the most telling: a text such as
    // "4 servings" rather than the bare number beside it.
    std::optional<QString> yieldText(const QJsonValue& value) const {
        if (value.isString() && m_origin == Origin::Document)
            return scalarText(value);
        const QJsonArray yields = value.isArray() ? value.toArray() : QJsonArray{value};
        QString chosen;
        for (const QJsonValue& yield : yields) {
            const QString text = cleaned(scalarText(yield));
            if (text.isEmpty())
                continue;
            bool isNumber = false;
            text.toDouble(&isNumber);
            if (!isNumber)
                return text;
            if (chosen.isEmpty())
                chosen = text;
        }
        return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
    }

    static QString addressOf(const QJsonValue& value) {
        if (value.isArray())
            return addressOf(value.toArray().first());
        if (!value.isObject())
            return scalarText(value);
        const QJsonObject object = value.toObject();
        for (const QString& key :
             {QStringLiteral("url"), QStringLiteral("@id"), QStringLiteral("name")}) {
            const QString text = scalarText(object.value(key));
            if (!text.isEmpty())
                return text;
        }
        return QString();
    }

    // Where the recipe comes from: the work it is based on, else its address.
    QString sourceText(const QJsonObject& object) const {
        for (const QString& key : {QStringLiteral("isBasedOn"), QStringLiteral("url"),
                                   QStringLiteral("mainEntityOfPage")}) {
            const QString text = cleaned(addressOf(object.value(key)));
            if (!text.trimmed().isEmpty())
                return text;
        }
        return QString();
    }

    Origin m_origin;
    QString m_fileName;
    RecipeBatch& m_batch;
    ImportProgress* m_progress;
    std::optional<JsonLocator> m_locator; // of the piece collected from
    qint64 m_firstLine = 1;
    int m_found = 0;
};

struct JsonReading {
    ImportProgress* progress;
    qsizetype wholeUpTo;
};

// Reads one JSON text; firstLine is the line of the page on which it begins.
// A text that does not parse gives nothing but that problem.
void readJson(Origin origin, QByteArrayView json, const QString& fileName, qint64 firstLine,
              RecipeBatch& batch, int& recipesFound, JsonReading reading) {
    RecipeBatch found;
    RecipeCollector collector(origin, fileName, found, reading.progress);
    JsonPieces pieces(json, firstLine, reading.progress, reading.wholeUpTo);
    const std::optional<JsonFailure> failure =
        pieces.read([](const QJsonValue& type) { return isOfType(type, QStringLiteral("Recipe")); },
                    [&](const JsonPieces::Piece& piece) { collector.collect(piece); });
    if (failure) {
        batch.problems.push_back(
            {ImportProblem::Kind::File, fileName, failure->line,
             QStringLiteral("not readable as JSON: %1").arg(failure->message)});
        return;
    }
    batch.recipes.insert(batch.recipes.end(), std::make_move_iterator(found.recipes.begin()),
                         std::make_move_iterator(found.recipes.end()));
    batch.problems.insert(batch.problems.end(), found.problems.begin(), found.problems.end());
    recipesFound += collector.recipesFound();
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && QByteArrayView(" \t\r\n").contains(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && QByteArrayView(" \t\r\n").contains(text.back()))
        text.chop(1);
    return text;
}

// The script without the comment or CDATA marks that pages wrap it in.
QByteArrayView withoutCommentWrapping(QByteArrayView script) {
    script = trimmed(script);
    for (const QByteArrayView opening : {"<!--", "//<![CDATA[", "<![CDATA["})
        if (script.startsWith(opening))
            script = trimmed(script.sliced(opening.size()));
    for (const QByteArrayView closing : {"-->", "//]]>", "]]>"})
        if (script.endsWith(closing))
            script.chop(closing.size());
    return script;
}

// Where the next tag of that name (given in lower case, with its "<") begins,
// in any case of letters; -1 when there is none.
qsizetype tagAt(QByteArrayView page, QByteArrayView tag, qsizetype from) {
    for (qsizetype at = page.indexOf('<', from); at >= 0; at = page.indexOf('<', at + 1)) {
        if (page.size() - at >= tag.size() &&
            qstrnicmp(page.data() + at, tag.data(), std::size_t(tag.size())) == 0)
            return at;
    }
    return -1;
}

bool isLinkedDataTag(QByteArrayView tag) {
    return tag.toByteArray().toLower().contains("ld+json");
}

} // namespace

RecipeBatch RecipeJsonReader::readDocument(QByteArray bytes, const QString& fileName,
                                           ImportProgress* progress, qsizetype wholeUpTo) {
    RecipeBatch batch;
    int recipesFound = 0;
    const QByteArray json = textAsUtf8(std::move(bytes), progress);
    readJson(Origin::Document, json, fileName, 1, batch, recipesFound,
             JsonReading{progress, wholeUpTo});
    if (recipesFound == 0 && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no schema.org Recipe was found in this file")});
    return batch;
}

RecipeBatch RecipeJsonReader::readPage(QByteArray bytes, const QString& fileName,
                                       ImportProgress* progress, qsizetype wholeUpTo) {
    RecipeBatch batch;
    int recipesFound = 0;
    const QByteArray page = textAsUtf8(std::move(bytes), progress);
    qsizetype at = 0;
    qsizetype countedUpTo = 0;
    qint64 line = 1;
    while ((at = tagAt(page, "<script", at)) >= 0) {
        if (progress)
            progress->throwIfCancelled();
        const qsizetype tagEnd = page.indexOf('>', at);
        if (tagEnd < 0)
            break;
        const bool isLinkedData = isLinkedDataTag(QByteArrayView(page).sliced(at, tagEnd - at));
        at = tagEnd + 1;
        if (!isLinkedData)
            continue;
        qsizetype close = tagAt(page, "</script", at);
        if (close < 0)
            close = page.size();
        line += QByteArrayView(page).sliced(countedUpTo, at - countedUpTo).count('\n');
        countedUpTo = at;
        const QByteArrayView script = QByteArrayView(page).sliced(at, close - at);
        const QByteArrayView json = withoutCommentWrapping(script);
        // Lines the wrapping took off the front do not count.
        const qint64 leadingLines = script.first(json.data() - script.data()).count('\n');
        readJson(Origin::Page, json, fileName, line + leadingLines, batch, recipesFound,
                 JsonReading{progress, wholeUpTo});
        at = close;
    }
    if (recipesFound == 0 && batch.problems.empty())
        batch.problems.push_back({ImportProblem::Kind::File, fileName, 1,
                                  QStringLiteral("no schema.org Recipe was found in this page")});
    return batch;
}

} // namespace savrona
