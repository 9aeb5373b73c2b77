#include "initial-cookbook/HistoryReplay.h"

#include "data/Error.h"
#include "data/packets/Windows1252.h"
#include "initial-cookbook/ChangeLogRecorder.h"

#include <algorithm>

namespace savrona::cookbook {

namespace {

struct CategoryState {
    std::int32_t id = 0;
    QString name;
    bool present = false;

    bool operator==(const CategoryState&) const = default;
};

struct RecipeState {
    std::int32_t id = 0;
    std::optional<std::int32_t> categoryId;
    QString title;
    QStringList ingredients;
    QStringList preparation;
    bool present = false;

    bool operator==(const RecipeState&) const = default;
};

// One change of the history, resolved: the record it changed and that
// record's values just after it.
struct ResolvedChange {
    const HistoryEvent* event = nullptr;
    std::size_t key = 0;
    std::variant<CategoryState, RecipeState> after;
};

[[noreturn]] void fail(const SourcePlace& place, const QString& detail) {
    throw Error(QStringLiteral("%1: %2").arg(place, detail));
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString categoryIdText(std::optional<std::int32_t> id) {
    return id ? QString::number(*id) : QStringLiteral("null");
}

RawCell textCell(const QString& text) {
    std::optional<QByteArray> bytes = utf8ToWindows1252(text.toUtf8());
    if (!bytes)
        throw Error(
            QStringLiteral("The text %1 has a character outside Windows-1252").arg(quoted(text)));
    return RawCell::text(std::move(*bytes));
}

ChangeLogRecorder::Record categoryCells(const CategoryState& category) {
    return {RawCell::integer(category.id), RawCell::integer(0), textCell(category.name)};
}

ChangeLogRecorder::Record recipeCells(const RecipeState& recipe) {
    static const QString lineBreak = QStringLiteral("\r\n");
    return {RawCell::integer(recipe.id),
            recipe.categoryId ? RawCell::integer(*recipe.categoryId) : RawCell::null(),
            textCell(recipe.title),
            textCell(recipe.ingredients.join(lineBreak)),
            textCell(recipe.preparation.join(lineBreak)),
            RawCell::null(),
            RawCell::null(),
            RawCell::null()};
}

RawBinaryPacket packetOf(std::vector<RawField> fields, const ChangeLogRecorder& recorder) {
    RawBinaryPacket packet;
    packet.fields = std::move(fields);
    packet.rows = recorder.rows();
    packet.setChangeLog(recorder.changeLog());
    return packet;
}

// The lines with one change taken back: its "after" lines, which must occur
// exactly once, become its "before" lines.
QStringList undoTextChange(const QStringList& lines, const TextChange& change,
                           const QString& textName, const SourcePlace& place) {
    std::vector<qsizetype> starts;
    for (qsizetype start = 0; start + change.after.size() <= lines.size(); ++start) {
        if (lines.sliced(start, change.after.size()) == change.after)
            starts.push_back(start);
    }
    if (starts.size() != 1)
        fail(place, QStringLiteral("the changed lines of the %1 occur %2 times in it, not once")
                        .arg(textName)
                        .arg(starts.size()));
    const qsizetype start = starts.front();
    return lines.first(start) + change.before + lines.sliced(start + change.after.size());
}

class HistoryReplay {
public:
    explicit HistoryReplay(const CookbookSources& sources) : m_history(sources.history) {
        for (const SourceCategory& category : sources.categories)
            m_categories.push_back({category.id, category.name, true});
        for (const SourceRecipe& recipe : sources.recipes)
            m_recipes.push_back(recipeStateOf(recipe, true));
        m_firstDeletedRecipeKey = std::ptrdiff_t(m_recipes.size());
        for (const SourceRecipe& recipe : m_history.deletedRecipes)
            m_recipes.push_back(recipeStateOf(recipe, false));
    }

    InitialPackets run() {
        const std::vector<CategoryState> categoriesNow = m_categories;
        const std::vector<RecipeState> recipesNow = m_recipes;
        workBack();
        recordOriginals();
        for (ResolvedChange& change : m_changes)
            std::visit([&](const auto& kind) { replay(kind, change); }, change.event->change);
        checkEndsAsNow(categoriesNow, recipesNow);

        return {packetOf({RawField::integer("ID"), RawField::integer("SubID"),
                          RawField::text("Category", 125, 1)},
                         m_categoryLog),
                packetOf({RawField::integer("ID"), RawField::integer("CategoryID"),
                          RawField::text("Title", 255), RawField::memo("Ingredients"),
                          RawField::memo("Preparation"), RawField::text("servings", 255),
                          RawField::text("Notes", 255), RawField::text("Picture", 255)},
                         m_recipeLog)};
    }

private:
    static RecipeState recipeStateOf(const SourceRecipe& recipe, bool present) {
        return {recipe.id,          recipe.categoryId,  recipe.title,
                recipe.ingredients, recipe.preparation, present};
    }

    // From now back to the start of the log, newest change first.
    void workBack() {
        m_changes.resize(m_history.events.size());
        for (std::size_t index = m_history.events.size(); index-- > 0;) {
            const HistoryEvent& event = m_history.events[index];
            m_changes[index] =
                std::visit([&](const auto& kind) { return undo(kind, event.place); }, event.change);
            m_changes[index].event = &event;
        }
    }

    ResolvedChange undo(const CategoryAdded& change, const SourcePlace& place) {
        const std::size_t key = presentCategory(change.id, place);
        CategoryState& category = m_categories[key];
        if (category.name != change.name)
            fail(place, QStringLiteral("category %1 is named %2 then")
                            .arg(change.id)
                            .arg(quoted(category.name)));
        ResolvedChange resolved{nullptr, key, category};
        category.present = false;
        return resolved;
    }

    ResolvedChange undo(const CategoryRenamed& change, const SourcePlace& place) {
        const std::size_t key = presentCategory(change.id, place);
        CategoryState& category = m_categories[key];
        if (category.name != change.newName)
            fail(place, QStringLiteral("category %1 is named %2 then")
                            .arg(change.id)
                            .arg(quoted(category.name)));
        ResolvedChange resolved{nullptr, key, category};
        category.name = change.oldName;
        return resolved;
    }

    ResolvedChange undo(const CategoryDeleted& change, const SourcePlace& place) {
        if (findCategory(change.id))
            fail(place, QStringLiteral("category %1 still exists then").arg(change.id));
        m_categories.push_back({change.id, change.name, true});
        return {nullptr, m_categories.size() - 1, m_categories.back()};
    }

    ResolvedChange undo(const RecipeAdded& change, const SourcePlace& place) {
        std::vector<std::size_t> keys;
        for (std::size_t key = 0; key < m_recipes.size(); ++key) {
            if (m_recipes[key].present && m_recipes[key].id == change.id)
                keys.push_back(key);
        }
        if (keys.size() != 1)
            fail(place, QStringLiteral("%1 recipes have the ID %2 then, not one")
                            .arg(keys.size())
                            .arg(change.id));
        ResolvedChange resolved{nullptr, keys.front(), m_recipes[keys.front()]};
        m_recipes[keys.front()].present = false;
        return resolved;
    }

    ResolvedChange undo(const RecipeMoved& change, const SourcePlace& place) {
        const std::size_t key = presentRecipe(change.title, place);
        RecipeState& recipe = m_recipes[key];
        if (recipe.categoryId != change.toCategoryId)
            fail(place, QStringLiteral("the recipe is in category %1 then")
                            .arg(categoryIdText(recipe.categoryId)));
        ResolvedChange resolved{nullptr, key, recipe};
        recipe.categoryId = change.fromCategoryId;
        return resolved;
    }

    ResolvedChange undo(const RecipeEdited& change, const SourcePlace& place) {
        const std::size_t key = presentRecipe(change.newTitle.value_or(change.title), place);
        RecipeState& recipe = m_recipes[key];
        ResolvedChange resolved{nullptr, key, recipe};
        recipe.title = change.title;
        if (change.ingredients)
            recipe.ingredients = undoTextChange(recipe.ingredients, *change.ingredients,
                                                QStringLiteral("ingredients"), place);
        if (change.preparation)
            recipe.preparation = undoTextChange(recipe.preparation, *change.preparation,
                                                QStringLiteral("preparation"), place);
        return resolved;
    }

    ResolvedChange undo(const RecipeDeleted& change, const SourcePlace& place) {
        if (findRecipe(change.title))
            fail(place,
                 QStringLiteral("a recipe titled %1 still exists then").arg(quoted(change.title)));
        const auto deleted =
            std::find_if(m_recipes.begin() + m_firstDeletedRecipeKey, m_recipes.end(),
                         [&](const RecipeState& recipe) {
                             return !recipe.present && recipe.title == change.title;
                         });
        if (deleted == m_recipes.end())
            fail(place, QStringLiteral("the history holds no record of the deleted recipe %1")
                            .arg(quoted(change.title)));
        deleted->present = true;
        return {nullptr, std::size_t(deleted - m_recipes.begin()), *deleted};
    }

    // The records present at the start of the log, stored in order of ID.
    void recordOriginals() {
        checkUnique(m_categories, &CategoryState::name, QStringLiteral("category name"));
        checkUnique(m_recipes, &RecipeState::title, QStringLiteral("recipe title"));
        for (const std::size_t key : presentKeysByIdOf(m_categories))
            m_categoryLog.addOriginal(key, categoryCells(m_categories[key]));
        for (const std::size_t key : presentKeysByIdOf(m_recipes))
            m_recipeLog.addOriginal(key, recipeCells(m_recipes[key]));
    }

    template <typename State>
    static std::vector<std::size_t> presentKeysByIdOf(const std::vector<State>& records) {
        std::vector<std::size_t> keys;
        for (std::size_t key = 0; key < records.size(); ++key) {
            if (records[key].present)
                keys.push_back(key);
        }
        std::stable_sort(keys.begin(), keys.end(), [&](std::size_t left, std::size_t right) {
            return records[left].id < records[right].id;
        });
        return keys;
    }

    template <typename State>
    static void checkUnique(const std::vector<State>& records, QString State::*text,
                            const QString& what) {
        QStringList texts;
        for (const State& record : records) {
            if (record.present)
                texts.append(record.*text);
        }
        texts.sort();
        const auto repeated = std::adjacent_find(texts.begin(), texts.end());
        if (repeated != texts.end())
            throw Error(QStringLiteral("When the log begins, the %1 %2 is used twice")
                            .arg(what, quoted(*repeated)));
    }

    void replay(const CategoryAdded& change, const ResolvedChange& resolved) {
        const SourcePlace& place = resolved.event->place;
        if (change.id != nextCategoryId())
            fail(place, QStringLiteral("a new category gets the ID %1, not %2")
                            .arg(nextCategoryId())
                            .arg(change.id));
        checkCategoryNameUnused(change.name, place);
        setCategory(resolved);
        m_categoryLog.insert(resolved.key, categoryCells(m_categories[resolved.key]));
    }

    void replay(const CategoryRenamed& change, const ResolvedChange& resolved) {
        checkCategoryNameUnused(change.newName, resolved.event->place);
        setCategory(resolved);
        m_categoryLog.modify(resolved.key, categoryCells(m_categories[resolved.key]));
    }

    void replay(const CategoryDeleted& change, const ResolvedChange& resolved) {
        const bool holdsRecipes =
            std::any_of(m_recipes.begin(), m_recipes.end(), [&](const RecipeState& recipe) {
                return recipe.present && recipe.categoryId == change.id;
            });
        if (holdsRecipes)
            fail(resolved.event->place,
                 QStringLiteral("the category still holds recipes; delete or move them first"));
        m_categories[resolved.key].present = false;
        m_categoryLog.remove(resolved.key);
    }

    void replay(const RecipeAdded& change, const ResolvedChange& resolved) {
        const SourcePlace& place = resolved.event->place;
        const RecipeState& added = std::get<RecipeState>(resolved.after);
        if (!added.categoryId || !findCategory(*added.categoryId))
            fail(place, QStringLiteral("a recipe is added to a category that exists"));
        if (change.id != nextRecipeId())
            fail(place, QStringLiteral("a new recipe gets the ID %1, not %2")
                            .arg(nextRecipeId())
                            .arg(change.id));
        checkRecipeTitleUnused(added.title, place);
        setRecipe(resolved);
        m_recipeLog.insert(resolved.key, recipeCells(m_recipes[resolved.key]));
    }

    void replay(const RecipeMoved& change, const ResolvedChange& resolved) {
        if (change.toCategoryId && !findCategory(*change.toCategoryId))
            fail(resolved.event->place,
                 QStringLiteral("category %1 does not exist then").arg(*change.toCategoryId));
        setRecipe(resolved);
        m_recipeLog.modify(resolved.key, recipeCells(m_recipes[resolved.key]));
    }

    void replay(const RecipeEdited& change, const ResolvedChange& resolved) {
        if (change.newTitle)
            checkRecipeTitleUnused(*change.newTitle, resolved.event->place);
        setRecipe(resolved);
        m_recipeLog.modify(resolved.key, recipeCells(m_recipes[resolved.key]));
    }

    void replay(const RecipeDeleted&, const ResolvedChange& resolved) {
        m_recipes[resolved.key].present = false;
        m_recipeLog.remove(resolved.key);
    }

    void setCategory(const ResolvedChange& resolved) {
        m_categories[resolved.key] = std::get<CategoryState>(resolved.after);
    }

    void setRecipe(const ResolvedChange& resolved) {
        m_recipes[resolved.key] = std::get<RecipeState>(resolved.after);
    }

    // As the tree rebuild computes it: the highest ID of all categories + 1.
    std::int32_t nextCategoryId() const {
        std::int32_t highest = 0;
        for (const CategoryState& category : m_categories) {
            if (category.present)
                highest = std::max(highest, category.id);
        }
        return highest + 1;
    }

    // As the tree rebuild computes it: the highest ID of the recipes reached
    // through a category + 1.
    std::int32_t nextRecipeId() const {
        std::int32_t highest = 0;
        for (const RecipeState& recipe : m_recipes) {
            if (recipe.present && recipe.categoryId && findCategory(*recipe.categoryId))
                highest = std::max(highest, recipe.id);
        }
        return highest + 1;
    }

    void checkCategoryNameUnused(const QString& name, const SourcePlace& place) const {
        const bool used = std::any_of(m_categories.begin(), m_categories.end(),
                                      [&](const CategoryState& category) {
                                          return category.present && category.name == name;
                                      });
        if (used)
            fail(place, QStringLiteral("a category is named %1 already").arg(quoted(name)));
    }

    void checkRecipeTitleUnused(const QString& title, const SourcePlace& place) const {
        if (findRecipe(title))
            fail(place, QStringLiteral("a recipe is titled %1 already").arg(quoted(title)));
    }

    std::optional<std::size_t> findCategory(std::int32_t id) const {
        for (std::size_t key = 0; key < m_categories.size(); ++key) {
            if (m_categories[key].present && m_categories[key].id == id)
                return key;
        }
        return std::nullopt;
    }

    std::optional<std::size_t> findRecipe(const QString& title) const {
        for (std::size_t key = 0; key < m_recipes.size(); ++key) {
            if (m_recipes[key].present && m_recipes[key].title == title)
                return key;
        }
        return std::nullopt;
    }

    std::size_t presentCategory(std::int32_t id, const SourcePlace& place) const {
        const std::optional<std::size_t> key = findCategory(id);
        if (!key)
            fail(place, QStringLiteral("there is no category %1 then").arg(id));
        return *key;
    }

    std::size_t presentRecipe(const QString& title, const SourcePlace& place) const {
        const std::optional<std::size_t> key = findRecipe(title);
        if (!key)
            fail(place, QStringLiteral("there is no recipe titled %1 then").arg(quoted(title)));
        return *key;
    }

    // Replaying the whole history must give back the cookbook as it is now.
    void checkEndsAsNow(const std::vector<CategoryState>& categories,
                        const std::vector<RecipeState>& recipes) const {
        const auto presentOnly = [](auto records) {
            std::erase_if(records, [](const auto& record) { return !record.present; });
            return records;
        };
        if (presentOnly(m_categories) != presentOnly(categories) ||
            presentOnly(m_recipes) != presentOnly(recipes))
            throw Error(QStringLiteral(
                "Replaying the history does not end with the cookbook as it is now"));
    }

    const History& m_history;
    std::vector<CategoryState> m_categories;    // by key; the deleted ones kept, not present
    std::vector<RecipeState> m_recipes;         // by key
    std::ptrdiff_t m_firstDeletedRecipeKey = 0; // the history's deleted recipes follow those of now
    std::vector<ResolvedChange> m_changes;      // one per history event, oldest first
    ChangeLogRecorder m_categoryLog;
    ChangeLogRecorder m_recipeLog;
};

} // namespace

InitialPackets makeInitialPackets(const CookbookSources& sources) {
    return HistoryReplay(sources).run();
}

} // namespace savrona::cookbook
