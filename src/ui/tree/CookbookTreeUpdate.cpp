// The tree's walk over every record, and its update in place from the recipes' changes.
#include "ui/tree/CookbookTreeUpdate.h"

#include "cookbook/CookbookFields.h"
#include "data/engine/Lookups.h"
#include "data/engine/Table.h"
#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeView.h"

#include <QHash>
#include <QItemSelectionModel>
#include <QScopeGuard>
#include <QScrollBar>

#include <algorithm>
#include <optional>
#include <set>

namespace savrona {

namespace {

const QString categoryField = QStringLiteral("Category");
const QString idField = QStringLiteral("ID");

// How one list of keys becomes another by taking entries out and putting
// entries in, the entries both lists share keeping their order.
struct ListEdit {
    std::vector<bool> keepOld; // per old entry
    std::vector<bool> fromOld; // per new entry: an old entry kept
};

// None when the shared entries are not in the same order in both lists.
template <typename Key>
std::optional<ListEdit> listEdit(const std::vector<Key>& old, const std::vector<Key>& wanted) {
    QHash<Key, int> wantedCount;
    for (const Key& key : wanted)
        ++wantedCount[key];
    ListEdit edit{std::vector<bool>(old.size()), std::vector<bool>(wanted.size())};
    std::vector<const Key*> kept;
    for (std::size_t entry = 0; entry < old.size(); ++entry) {
        const auto count = wantedCount.find(old[entry]);
        if (count != wantedCount.end() && *count > 0) {
            --*count;
            edit.keepOld[entry] = true;
            kept.push_back(&old[entry]);
        }
    }
    std::size_t next = 0;
    for (std::size_t entry = 0; entry < wanted.size(); ++entry) {
        if (next < kept.size() && *kept[next] == wanted[entry]) {
            edit.fromOld[entry] = true;
            ++next;
        }
    }
    if (next != kept.size())
        return std::nullopt;
    return edit;
}

// Takes out the runs of old entries not kept, from the last one back, then
// puts in the runs of new ones, from the first: each run goes in at the row
// it has in the new list, since everything before it is in place by then.
template <typename Remove, typename Insert>
void applyListEdit(const ListEdit& edit, const Remove& remove, const Insert& insert) {
    for (int entry = static_cast<int>(edit.keepOld.size()) - 1; entry >= 0;) {
        if (edit.keepOld[static_cast<std::size_t>(entry)]) {
            --entry;
            continue;
        }
        const int last = entry;
        while (entry >= 0 && !edit.keepOld[static_cast<std::size_t>(entry)])
            --entry;
        remove(entry + 1, last - entry);
    }
    const int size = static_cast<int>(edit.fromOld.size());
    for (int entry = 0; entry < size;) {
        if (edit.fromOld[static_cast<std::size_t>(entry)]) {
            ++entry;
            continue;
        }
        const int first = entry;
        while (entry < size && !edit.fromOld[static_cast<std::size_t>(entry)])
            ++entry;
        insert(first, entry - first);
    }
}

QStringList asStringList(const std::vector<QString>& texts) {
    return QStringList(texts.begin(), texts.end());
}

std::optional<std::size_t> fieldPosition(const Table& table, const QString& name) {
    const auto& fields = table.fields();
    for (std::size_t position = 0; position < fields.size(); ++position)
        if (fields[position].name.compare(name, Qt::CaseInsensitive) == 0)
            return position;
    return std::nullopt;
}

// The category IDs the changed recipes were in before and are in after;
// none when a category cannot be told as an integer the filter would match.
std::optional<std::set<std::int32_t>> categoriesOfChanges(const std::vector<RowChange>& changes,
                                                          const Table& recipes) {
    const auto position = fieldPosition(recipes, field::categoryId);
    if (!position)
        return std::nullopt;
    std::set<std::int32_t> categoryIds;
    for (const RowChange& change : changes) {
        for (const auto& row : {change.before, change.after}) {
            if (!row || *position >= row->size())
                continue;
            const Value& categoryId = (*row)[*position];
            if (categoryId.isInteger())
                categoryIds.insert(categoryId.integer());
            else if (!categoryId.isNull())
                return std::nullopt;
        }
    }
    return categoryIds;
}

} // namespace

CookbookTreeUpdate::CookbookTreeUpdate(CookbookTreeModel& tree, CookbookTreeView& view,
                                       QString rootText)
    : m_tree(tree), m_view(view), m_rootText(std::move(rootText)) {}

std::int32_t CookbookTreeUpdate::greatestRecipeId() const {
    std::int32_t greatest = 0;
    for (const CategoryEntry& category : m_categories)
        greatest = std::max(greatest, category.greatestRecipeId);
    return greatest;
}

void CookbookTreeUpdate::clearToRoot() {
    m_built = false;
    m_categories.clear();
    m_greatestCategoryId = 0;
    m_view.setUpdatesEnabled(false);
    m_tree.resetToRoot(m_rootText, RootImage);
    m_view.setUpdatesEnabled(true);
}

void CookbookTreeUpdate::update(Table& categories, Table& recipes,
                                const std::function<void()>& pump) {
    const auto changes = recipes.takeChanges();
    const bool wasBuilt = std::exchange(m_built, false);
    if (wasBuilt && changes) {
        try {
            // Done in well under a frame: nothing waits for the window to answer, and
            // the window is painted once, as the command leaves it.
            if (updateInPlace(categories, recipes, *changes)) {
                m_built = true;
                return;
            }
        } catch (const Error&) {
            // The walk meets the same error and stops where a walk stops.
        }
    }
    walk(categories, recipes, pump);
}

void CookbookTreeUpdate::walk(Table& categories, Table& recipes,
                              const std::function<void()>& pump) {
    clearToRoot();
    TreeNode* root = m_tree.root();
    if (categories.recordCount() > 0) {
        while (!categories.eof()) {
            TreeNode* categoryNode = m_tree.appendNode(root, categories.textByName(categoryField));
            m_categories.emplace_back();
            const std::int32_t categoryId = categories.integerByName(idField);
            m_categories.back().id = categoryId;
            m_greatestCategoryId = std::max(m_greatestCategoryId, categoryId);
            recipes.setFilter(lookup::recipesOfCategory(categoryId));
            recipes.setFiltered(true);
            if (recipes.recordCount() > 0) {
                QStringList titles;
                titles.reserve(recipes.recordCount());
                std::int32_t greatest = 0;
                while (!recipes.eof()) {
                    titles.append(recipes.textByName(field::title));
                    greatest = std::max(greatest, recipes.integerByName(idField));
                    recipes.next();
                }
                m_categories.back().greatestRecipeId = greatest;
                m_tree.appendNodes(categoryNode, titles, RecipeImage);
            }
            pump();
            recipes.setFiltered(false);
            categories.next();
        }
    }
    if (!root->children.empty())
        m_view.expand(m_tree.indexOf(root));
    m_built = true;
}

bool CookbookTreeUpdate::updateInPlace(Table& categories, Table& recipes,
                                       const std::vector<RowChange>& changes) {
    const auto changedCategoryIds = categoriesOfChanges(changes, recipes);
    if (!changedCategoryIds)
        return false;
    const std::vector<CategoryRecord> wanted = readCategories(categories);
    // The nodes are measured once, after every change.
    m_view.holdColumnFit(true);
    const auto fitColumn = qScopeGuard([this] { m_view.holdColumnFit(false); });
    forgetSelection();
    // Collapsed first, so that the view lays out no branch that changes.
    m_view.collapseAll();
    std::vector<bool> madeNow;
    if (!updateCategoryNodes(wanted, recipes, madeNow))
        return false;
    for (std::size_t row = 0; row < m_categories.size(); ++row) {
        if (!madeNow[row] && changedCategoryIds->contains(m_categories[row].id))
            updateRecipeNodes(static_cast<int>(row), recipes);
    }
    showCategoriesCollapsed();
    return true;
}

// Leaves the categories table at its end, as a walk does.
std::vector<CookbookTreeUpdate::CategoryRecord>
CookbookTreeUpdate::readCategories(Table& categories) {
    std::vector<CategoryRecord> records;
    m_greatestCategoryId = 0;
    if (categories.recordCount() == 0)
        return records;
    records.reserve(static_cast<std::size_t>(categories.recordCount()));
    while (!categories.eof()) {
        CategoryRecord record{categories.textByName(categoryField),
                              categories.integerByName(idField)};
        m_greatestCategoryId = std::max(m_greatestCategoryId, record.id);
        records.push_back(std::move(record));
        categories.next();
    }
    return records;
}

bool CookbookTreeUpdate::updateCategoryNodes(const std::vector<CategoryRecord>& wanted,
                                             Table& recipes, std::vector<bool>& madeNow) {
    TreeNode* root = m_tree.root();
    std::vector<CategoryRecord> shown;
    shown.reserve(m_categories.size());
    for (std::size_t row = 0; row < m_categories.size(); ++row)
        shown.push_back({root->children[row]->text, m_categories[row].id});
    const auto edit = listEdit(shown, wanted);
    if (!edit)
        return false;
    madeNow.assign(wanted.size(), false);
    const auto remove = [&](int row, int count) {
        m_tree.removeNodes(root, row, count);
        m_categories.erase(m_categories.begin() + row, m_categories.begin() + row + count);
    };
    const auto insert = [&](int row, int count) {
        std::vector<std::unique_ptr<TreeNode>> nodes;
        std::vector<CategoryEntry> entries;
        for (int entry = row; entry < row + count; ++entry) {
            const CategoryRecord& record = wanted[static_cast<std::size_t>(entry)];
            const RecipeList recipeList = readRecipesOf(recipes, record.id);
            nodes.push_back(CookbookTreeModel::makeNode(
                record.name, CategoryImage, asStringList(recipeList.titles), RecipeImage));
            entries.push_back({record.id, recipeList.greatestId});
            madeNow[static_cast<std::size_t>(entry)] = true;
        }
        m_tree.insertNodes(root, row, std::move(nodes));
        m_categories.insert(m_categories.begin() + row, entries.begin(), entries.end());
    };
    applyListEdit(*edit, remove, insert);
    return true;
}

void CookbookTreeUpdate::updateRecipeNodes(int categoryRow, Table& recipes) {
    CategoryEntry& entry = m_categories[static_cast<std::size_t>(categoryRow)];
    TreeNode* category = m_tree.root()->children[static_cast<std::size_t>(categoryRow)].get();
    const RecipeList wanted = readRecipesOf(recipes, entry.id);
    entry.greatestRecipeId = wanted.greatestId;
    std::vector<QString> shown;
    shown.reserve(category->children.size());
    for (const auto& recipe : category->children)
        shown.push_back(recipe->text);
    const auto insert = [&](int row, int count) {
        std::vector<std::unique_ptr<TreeNode>> nodes;
        for (int title = row; title < row + count; ++title)
            nodes.push_back(CookbookTreeModel::makeNode(
                wanted.titles[static_cast<std::size_t>(title)], RecipeImage));
        m_tree.insertNodes(category, row, std::move(nodes));
    };
    const auto edit = listEdit(shown, wanted.titles);
    if (!edit) {
        // Titles that changed places: every node anew, under this category only.
        m_tree.removeNodes(category, 0, static_cast<int>(shown.size()));
        insert(0, static_cast<int>(wanted.titles.size()));
        return;
    }
    applyListEdit(
        *edit, [&](int row, int count) { m_tree.removeNodes(category, row, count); }, insert);
}

// The same filter, in the same order, as the walk.
CookbookTreeUpdate::RecipeList CookbookTreeUpdate::readRecipesOf(Table& recipes,
                                                                 std::int32_t categoryId) {
    RecipeList list;
    recipes.setFilter(lookup::recipesOfCategory(categoryId));
    recipes.setFiltered(true);
    if (recipes.recordCount() > 0) {
        list.titles.reserve(static_cast<std::size_t>(recipes.recordCount()));
        while (!recipes.eof()) {
            list.titles.push_back(recipes.textByName(field::title));
            list.greatestId = std::max(list.greatestId, recipes.integerByName(idField));
            recipes.next();
        }
    }
    recipes.setFiltered(false);
    return list;
}

// As a reset of the model leaves it: no current node, nothing selected, and
// no selection change reported.
void CookbookTreeUpdate::forgetSelection() {
    if (QItemSelectionModel* selection = m_view.selectionModel())
        selection->reset();
    m_view.viewport()->update();
}

void CookbookTreeUpdate::showCategoriesCollapsed() {
    const TreeNode* root = m_tree.root();
    if (!root->children.empty())
        m_view.expand(m_tree.indexOf(root));
    m_view.verticalScrollBar()->setValue(0);
    m_view.horizontalScrollBar()->setValue(0);
}

} // namespace savrona
