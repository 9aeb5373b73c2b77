// Finds schema.org Recipe objects in JSON-LD and reads their properties into recipes.
#include "cookbook/exchange/formats/json/RecipeJsonReader.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/html/HtmlText.h"
#include "cookbook/exchange/formats/html/StepHeading.h"
#include "cookbook/exchange/formats/json/JsonLocator.h"
#include "cookbook/exchange/formats/json/JsonPieces.h"
#include "cookbook/exchange/formats/json/LenientJson.h"

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
            title = html::HtmlText::line(title);
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
        if (const QString picture = pictureAddress(object.value(QStringLiteral("image")));
            !picture.trimmed().isEmpty())
            recipe.picture = picture.toUtf8();
        m_batch.recipes.push_back(std::move(recipe));
    }

    QString cleaned(const QString& text) const {
        return m_origin == Origin::Page ? html::HtmlText::line(text) : text;
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
        return m_origin == Origin::Page ? html::HtmlText::lines(text) : splitLines(text);
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

    // Steps one to a line, a step's name on a line of its own before its
    // text; a section's name on a line of its own before its steps, after an
    // empty line when something comes before it.
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
            const QString name = scalarText(object.value(QStringLiteral("name")));
            if (hasType(object, QStringLiteral("HowToSection")) ||
                hasType(object, QStringLiteral("ItemList"))) {
                addSectionHeading(name, lines);
                instructionLines(items, lines, depth + 1);
                return;
            }
            const QString text = scalarText(object.value(QStringLiteral("text")));
            if (text.isEmpty() && name.isEmpty()) {
                instructionLines(items, lines, depth + 1);
                return;
            }
            if (!text.isEmpty() && html::isStepHeading(cleaned(name), cleaned(text)))
                lines.append(textLines(name));
            lines.append(textLines(text.isEmpty() ? name : text));
        }
    }

    void addSectionHeading(const QString& name, QStringList& lines) const {
        const QStringList heading = textLines(name);
        if (heading.join(QString()).trimmed().isEmpty())
            return;
        if (!lines.isEmpty() && !lines.back().isEmpty())
            lines.append(QString());
        lines.append(heading);
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

    // Where the recipe comes from. In a document: the work it is based on,
    // else its address, as our export writes it. On a page: its address,
    // else the work it is based on.
    QString sourceText(const QJsonObject& object) const {
        const QStringList documentOrder{QStringLiteral("isBasedOn"), QStringLiteral("url"),
                                        QStringLiteral("mainEntityOfPage")};
        const QStringList pageOrder{QStringLiteral("url"), QStringLiteral("mainEntityOfPage"),
                                    QStringLiteral("isBasedOn")};
        for (const QString& key : m_origin == Origin::Page ? pageOrder : documentOrder) {
            const QString text = cleaned(addressOf(object.value(key)));
            if (!text.trimmed().isEmpty())
                return text;
        }
        return QString();
    }

    // The address of the recipe's picture: of several, the first.
    QString pictureAddress(const QJsonValue& value) const {
        const QJsonValue image = value.isArray() ? value.toArray().first() : value;
        if (!image.isObject())
            return cleaned(scalarText(image));
        const QJsonObject object = image.toObject();
        for (const QString& key :
             {QStringLiteral("url"), QStringLiteral("contentUrl"), QStringLiteral("@id")}) {
            const QString text = cleaned(scalarText(object.value(key)));
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

RecipeJsonReader::PageScripts RecipeJsonReader::readScripts(const QByteArray& page,
                                                            const QString& fileName,
                                                            ImportProgress* progress,
                                                            qsizetype wholeUpTo) {
    PageScripts scripts;
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
        const QByteArray json = LenientJson::cleaned(QByteArrayView(page).sliced(at, close - at));
        readJson(Origin::Page, json, fileName, line, scripts.batch, scripts.recipesFound,
                 JsonReading{progress, wholeUpTo});
        at = close;
    }
    return scripts;
}

RecipeBatch RecipeJsonReader::readPage(QByteArray bytes, const QString& fileName,
                                       ImportProgress* progress, qsizetype wholeUpTo) {
    PageScripts scripts =
        readScripts(textAsUtf8(std::move(bytes), progress), fileName, progress, wholeUpTo);
    if (scripts.recipesFound == 0 && scripts.batch.problems.empty())
        scripts.batch.problems.push_back(
            {ImportProblem::Kind::File, fileName, 1,
             QStringLiteral("no schema.org Recipe was found in this page")});
    return std::move(scripts.batch);
}

} // namespace savrona
