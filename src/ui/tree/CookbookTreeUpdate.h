#pragma once

// Brings the cookbook tree in line with the two tables: by a walk of every record at
// start-up and after anything unusual, otherwise by changing only the nodes that changed.

#include <QHashFunctions>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace savrona {

class CookbookTreeModel;
class CookbookTreeView;
class Table;
struct RowChange;
struct TreeNode;

// After update() the tree is what a walk of the tables makes of it: the root,
// a node per category in the categories table's order, under each a node per
// recipe of that category in the recipes table's order; the root expanded,
// every category collapsed, no current node, the view scrolled to its start.
//
// The walk reads every record. When the tree was built from these very rows
// and the recipes table can tell its changes since (Table::takeChanges), the
// categories are compared with the nodes instead, and only the categories the
// changed recipes were or are in are read again; their nodes are put in,
// taken out or kept through the model's row announcements. Anything else (a
// first build, a data file read anew, an error on the way, more changes than
// the table keeps) walks.
class CookbookTreeUpdate {
public:
    CookbookTreeUpdate(CookbookTreeModel& tree, CookbookTreeView& view, QString rootText);

    // pump is called while a walk grows the tree, once per category, so that the
    // window keeps answering; an update in place does not call it.
    void update(Table& categories, Table& recipes, const std::function<void()>& pump);
    // Builds the tree by a walk of every record from the categories' current
    // one on, whatever changed.
    void walk(Table& categories, Table& recipes, const std::function<void()>& pump);
    // The root alone, as a walk begins; the next update walks.
    void clearToRoot();

    // The greatest category ID, and the greatest ID of a recipe that has a
    // node; 0 when none is greater than 0.
    std::int32_t greatestCategoryId() const { return m_greatestCategoryId; }
    std::int32_t greatestRecipeId() const;

private:
    // What the tree keeps beside each category node, in the same order.
    struct CategoryEntry {
        std::int32_t id = 0;
        std::int32_t greatestRecipeId = 0;
    };
    struct CategoryRecord {
        QString name;
        std::int32_t id = 0;
        bool operator==(const CategoryRecord&) const = default;
        friend size_t qHash(const CategoryRecord& record, size_t seed = 0) {
            return qHashMulti(seed, record.name, record.id);
        }
    };
    struct RecipeList {
        std::vector<QString> titles;
        std::int32_t greatestId = 0;
    };

    bool updateInPlace(Table& categories, Table& recipes, const std::vector<RowChange>& changes);
    std::vector<CategoryRecord> readCategories(Table& categories);
    bool updateCategoryNodes(const std::vector<CategoryRecord>& wanted, Table& recipes,
                             std::vector<bool>& madeNow);
    void updateRecipeNodes(int categoryRow, Table& recipes);
    static RecipeList readRecipesOf(Table& recipes, std::int32_t categoryId);
    void forgetSelection();
    void showCategoriesCollapsed();

    CookbookTreeModel& m_tree;
    CookbookTreeView& m_view;
    QString m_rootText;
    std::vector<CategoryEntry> m_categories;
    std::int32_t m_greatestCategoryId = 0;
    bool m_built = false;
};

} // namespace savrona
