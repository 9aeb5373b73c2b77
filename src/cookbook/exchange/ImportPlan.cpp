// Plans an import against the cookbook's categories and titles, and adds it.
#include "cookbook/exchange/ImportPlan.h"

#include "cookbook/WordForms.h"

#include "cookbook/CookbookFields.h"
#include "data/Error.h"

#include <QSet>

#include <limits>
#include <optional>

namespace savrona {

namespace {

constexpr qsizetype titleWidth = 255;
constexpr qsizetype categoryWidth = 125;
constexpr qsizetype shortTextWidth = 255;

// The C1 controls (NEL among them) and the bidirectional embeddings,
// overrides and isolates: they change how the text around them shows
// without showing themselves, so a title or a name never keeps them.
bool isInvisibleControl(QChar character) {
    const char16_t code = character.unicode();
    return (code >= 0x80 && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

// Whether the UTF-8 text holds a line break, a tab or an invisible control.
bool needsCleaning(const QByteArray& text) {
    const auto byte = [&](qsizetype at) {
        return at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const unsigned char first = byte(at);
        if (first == '\r' || first == '\n' || first == '\t')
            return true;
        if (first == 0xC2 && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F)
            return true; // U+0080 to U+009F
        if (first == 0xE2 &&
            ((byte(at + 1) == 0x80 && byte(at + 2) >= 0xAA && byte(at + 2) <= 0xAE) ||
             (byte(at + 1) == 0x81 && byte(at + 2) >= 0xA6 && byte(at + 2) <= 0xA9)))
            return true; // U+202A to U+202E, U+2066 to U+2069
    }
    return false;
}

// On one line, without invisible controls, and at most width characters.
QByteArray fitted(const QByteArray& text, qsizetype width) {
    // No more bytes than the width: no more characters either.
    if (text.size() <= width && !needsCleaning(text))
        return text;
    QString line = QString::fromUtf8(text);
    line.removeIf(isInvisibleControl);
    for (const QChar breakCharacter : {u'\r', u'\n', u'\t'})
        line.replace(breakCharacter, u' ');
    if (line.size() > width) {
        line.truncate(width);
        if (line.back().isHighSurrogate())
            line.chop(1);
    }
    return line.toUtf8();
}

// "Title (3)" -> "Title"; any other title is its own base.
QByteArray numberedBase(const QByteArray& title) {
    if (!title.endsWith(')'))
        return title;
    const qsizetype open = title.lastIndexOf(" (");
    if (open < 0 || open + 3 > title.size() - 1)
        return title;
    for (qsizetype at = open + 2; at < title.size() - 1; ++at)
        if (title[at] < '0' || title[at] > '9')
            return title;
    return title.left(open);
}

// The titles in use with their texts, and the numbered ones by their base.
class TitleRegister {
public:
    struct Texts {
        QByteArray ingredients;
        QByteArray preparation;
    };

    void reserve(qsizetype count) { m_titles.reserve(count); }

    void add(const QByteArray& title, const QByteArray& ingredients,
             const QByteArray& preparation) {
        if (m_titles.contains(title))
            return;
        m_titles.emplace(title, Texts{ingredients, preparation});
        if (const QByteArray base = numberedBase(title); base.size() != title.size())
            m_numbered.insert(base, title);
    }

    bool isTaken(const QByteArray& title) const { return m_titles.contains(title); }

    // Whether the title, or one numbered from it, has these texts.
    bool hasRecipe(const QByteArray& base, const QByteArray& ingredients,
                   const QByteArray& preparation) const {
        if (hasTexts(base, ingredients, preparation))
            return true;
        for (auto numbered = m_numbered.constFind(base);
             numbered != m_numbered.constEnd() && numbered.key() == base; ++numbered) {
            if (hasTexts(numbered.value(), ingredients, preparation))
                return true;
        }
        return false;
    }

    // The first free "base (n)" from 2 on, fitted to the title's width.
    QByteArray freeNumberedTitle(const QByteArray& base) {
        int& number = m_nextNumber[base];
        number = std::max(number, 2);
        for (;; ++number) {
            const QByteArray suffix = " (" + QByteArray::number(number) + ')';
            const QByteArray title = fitted(base, titleWidth - suffix.size()) + suffix;
            if (!isTaken(title))
                return title;
        }
    }

private:
    bool hasTexts(const QByteArray& title, const QByteArray& ingredients,
                  const QByteArray& preparation) const {
        const auto found = m_titles.constFind(title);
        return found != m_titles.constEnd() && found->ingredients == ingredients &&
               found->preparation == preparation;
    }

    QHash<QByteArray, Texts> m_titles;
    QMultiHash<QByteArray, QByteArray> m_numbered; // base -> numbered titles
    QHash<QByteArray, int> m_nextNumber;
};

class Planner {
public:
    Planner(Table& categories, Table& recipes, std::size_t importing) {
        categories.setFiltered(false);
        for (; !categories.eof(); categories.next()) {
            const Value name = categories.fieldByName(field::category);
            const Value id = categories.fieldByName(field::id);
            // A category without an ID cannot take recipes.
            if (name.isText() && id.isInteger() &&
                !m_plan.existingCategoryIds.contains(name.utf8())) {
                m_plan.existingCategoryIds.insert(name.utf8(), id.integer());
                m_alike.insert(comparableName(name.toQString()), name.utf8());
            }
        }
        categories.setFiltered(false);
        recipes.setFiltered(false);
        m_titles.reserve(recipes.recordCount() + static_cast<qsizetype>(importing));
        for (; !recipes.eof(); recipes.next()) {
            const Value title = recipes.fieldByName(field::title);
            if (title.isText())
                m_titles.add(title.utf8(), recipes.fieldByName(field::ingredients).utf8(),
                             recipes.fieldByName(field::preparation).utf8());
        }
        recipes.setFiltered(false);
    }

    void add(RecipeEntry recipe) {
        const QByteArray title = fitted(recipe.title, titleWidth);
        std::optional<QByteArray> finalTitle = title;
        if (m_titles.isTaken(title)) {
            if (m_titles.hasRecipe(title, recipe.ingredients, recipe.preparation)) {
                m_plan.duplicates.push_back({recipe.file, recipe.line, title});
                return;
            }
            finalTitle = m_titles.freeNumberedTitle(title);
            m_plan.renamed.push_back({recipe.file, recipe.line, title, *finalTitle});
        }
        recipe.title = *finalTitle;
        recipe.categories = {categoryFor(recipe.categories)};
        m_receiving.insert(recipe.categories.front());
        for (std::optional<QByteArray>* text : {&recipe.servings, &recipe.notes, &recipe.picture})
            if (*text)
                **text = fitted(**text, shortTextWidth);
        m_titles.add(recipe.title, recipe.ingredients, recipe.preparation);
        m_plan.recipes.push_back(std::move(recipe));
    }

    ImportPlan finish(std::vector<ImportProblem> problems) {
        m_plan.categoryCount = m_receiving.size();
        m_plan.problems = std::move(problems);
        return std::move(m_plan);
    }

private:
    bool exists(const QByteArray& name) const {
        return m_plan.existingCategoryIds.contains(name) || m_newCategories.contains(name);
    }

    QByteArray categoryFor(const QList<QByteArray>& named) {
        QList<QByteArray> names;
        for (const QByteArray& name : named)
            if (const QByteArray fittedName = fitted(name, categoryWidth); !fittedName.isEmpty())
                names.append(fittedName);
        for (const QByteArray& name : names)
            if (exists(name))
                return name;
        // "main dish" goes into "Main Dishes": one category, however a file spells it.
        for (const QByteArray& name : names)
            if (const auto alike = m_alike.constFind(comparableName(QString::fromUtf8(name)));
                alike != m_alike.cend())
                return *alike;
        const QByteArray chosen = names.isEmpty() ? importedRecipesCategory : names.front();
        if (!exists(chosen)) {
            m_newCategories.insert(chosen);
            m_plan.newCategories.push_back(chosen);
            m_alike.insert(comparableName(QString::fromUtf8(chosen)), chosen);
        }
        return chosen;
    }

    ImportPlan m_plan;
    TitleRegister m_titles;
    QSet<QByteArray> m_newCategories;
    // The categories there and to add, by comparableName.
    QHash<QString, QByteArray> m_alike;
    QSet<QByteArray> m_receiving;
};

[[noreturn]] void refuseNumbering() {
    throw Error(QStringLiteral("The cookbook has no room for more record numbers, so nothing "
                               "was imported"));
}

// The first of count numbers from next; refused when they do not fit.
void checkRoomFor(std::int32_t next, std::size_t count) {
    const auto last = static_cast<std::int64_t>(next) + static_cast<std::int64_t>(count) - 1;
    if (next < 1 || last > std::numeric_limits<std::int32_t>::max())
        refuseNumbering();
}

Value optionalText(const std::optional<QByteArray>& text) {
    return text ? Value::text(*text) : Value();
}

} // namespace

ImportPlan planImport(Table& categories, Table& recipes, RecipeBatch batch) {
    Planner planner(categories, recipes, batch.recipes.size());
    for (RecipeEntry& recipe : batch.recipes)
        planner.add(std::move(recipe));
    return planner.finish(std::move(batch.problems));
}

void addImport(ImportPlan plan, Table& categories, Table& recipes, std::int32_t nextCategoryId,
               std::int32_t nextRecipeId) {
    if (!plan.newCategories.empty())
        checkRoomFor(nextCategoryId, plan.newCategories.size());
    if (!plan.recipes.empty())
        checkRoomFor(nextRecipeId, plan.recipes.size());
    QHash<QByteArray, std::int32_t> categoryIds = std::move(plan.existingCategoryIds);
    std::vector<Row> categoryRows;
    std::int32_t categoryId = nextCategoryId;
    for (const QByteArray& name : plan.newCategories) {
        categoryIds.insert(name, categoryId);
        categoryRows.push_back(
            {Value::integer(categoryId++), Value::integer(0), Value::text(name)});
    }
    std::vector<Row> recipeRows;
    recipeRows.reserve(plan.recipes.size());
    std::int32_t recipeId = nextRecipeId;
    for (RecipeEntry& recipe : plan.recipes) {
        // Value by value: an initializer list of them makes an optimizing GCC warn of
        // a use before initialization that is not there.
        Row row;
        row.reserve(8);
        row.push_back(Value::integer(recipeId++));
        row.push_back(Value::integer(categoryIds.value(recipe.categories.front())));
        row.push_back(Value::text(std::move(recipe.title)));
        row.push_back(Value::text(std::move(recipe.ingredients)));
        row.push_back(Value::text(std::move(recipe.preparation)));
        row.push_back(optionalText(recipe.servings));
        row.push_back(optionalText(recipe.notes));
        row.push_back(optionalText(recipe.picture));
        recipeRows.push_back(std::move(row));
    }
    plan.recipes.clear();
    categories.setFiltered(false);
    recipes.setFiltered(false);
    categories.insertRecords(std::move(categoryRows));
    recipes.insertRecords(std::move(recipeRows));
    categories.setFiltered(false);
    recipes.setFiltered(false);
}

} // namespace savrona
