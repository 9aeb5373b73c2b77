// Adding, renaming and deleting categories and moving recipes between them, with the
// messages and confirmations the user sees.
#include "cookbook/commands/CategoryCommands.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/commands/CookbookQueries.h"
#include "data/engine/Lookups.h"

namespace savrona {

namespace {

const QString lineBreak = QStringLiteral("\r");

QString emptyNameMessage() {
    return QStringLiteral("Please enter name for new category and then try again.");
}

QString takenNameMessage(const QString& name) {
    return QStringLiteral("Such category already exists (") + name + QStringLiteral(")!") +
           lineBreak +
           QStringLiteral("Please enter different name for new category and then try again.");
}

QString deleteConfirmation(const QString& name) {
    return QStringLiteral("Are you shure that you want to delete selected category (") + name +
           QStringLiteral(")?") + lineBreak +
           QStringLiteral("Deleting this category will delete all recipes within it.");
}

QString noCategoryChosenWarning() {
    return QStringLiteral("Please select new category for this recipe");
}

} // namespace

CategoryCommands::CategoryCommands(CookbookAccess& cookbook) : m_cookbook(cookbook) {}

bool CategoryCommands::addCategory(const QString& name, std::int32_t id) {
    if (!isAcceptableNewName(name))
        return false;
    m_cookbook.categories().insertRecord({id, 0, name});
    return true;
}

bool CategoryCommands::renameCategory(const QString& currentName, const QString& newName) {
    if (!isAcceptableNewName(newName))
        return false;
    Table& categories = m_cookbook.categories();
    showOnly(categories, lookup::categoryByName(currentName));
    // An edit of an empty view would begin a new category without an ID.
    if (categories.recordCount() > 0) {
        categories.edit();
        categories.setFields({FieldInput::leaveAlone(), 0, newName});
        categories.post();
    }
    categories.setFiltered(false);
    return true;
}

bool CategoryCommands::deleteCategory(const QString& name) {
    if (!m_cookbook.messages().show(MessageBoxes::Kind::Confirmation, deleteConfirmation(name)))
        return false;
    Table& categories = m_cookbook.categories();
    showOnly(categories, lookup::categoryByName(name));
    if (categories.recordCount() > 0) {
        const Value id = categories.fieldByName(field::id);
        // A category without an ID has no recipes: none can point to it.
        if (id.isInteger())
            deleteRecipesOfCategory(id.integer());
        categories.deleteRecord();
    }
    categories.setFiltered(false);
    return true;
}

void CategoryCommands::deleteRecipesOfCategory(std::int32_t categoryId) {
    Table& recipes = m_cookbook.recipes();
    showOnly(recipes, lookup::recipesOfCategory(categoryId));
    while (recipes.recordCount() > 0)
        recipes.deleteRecord();
    recipes.setFiltered(false);
}

QStringList CategoryCommands::categoryNames() {
    Table& categories = m_cookbook.categories();
    categories.setFiltered(false);
    QStringList names;
    for (; !categories.eof(); categories.next()) {
        const Value name = categories.fieldByName(field::category);
        if (name.isText())
            names.append(name.toQString());
    }
    return names;
}

bool CategoryCommands::moveRecipe(const QString& recipeTitle, const QString& categoryName) {
    const std::optional<std::int32_t> categoryId =
        categoryName.isEmpty() ? std::nullopt
                               : categoryIdByName(m_cookbook.categories(), categoryName);
    if (!categoryId) {
        m_cookbook.messages().show(MessageBoxes::Kind::Warning, noCategoryChosenWarning());
        return false;
    }
    Table& recipes = m_cookbook.recipes();
    showOnly(recipes, lookup::recipeByTitle(recipeTitle));
    // An edit of an empty view would begin a new recipe holding only a category.
    if (recipes.recordCount() > 0) {
        recipes.edit();
        recipes.setFields({FieldInput::leaveAlone(), *categoryId});
        recipes.post();
    }
    recipes.setFiltered(false);
    return true;
}

bool CategoryCommands::isAcceptableNewName(const QString& name) {
    if (name.isEmpty()) {
        m_cookbook.messages().show(MessageBoxes::Kind::Error, emptyNameMessage());
        return false;
    }
    Table& categories = m_cookbook.categories();
    showOnly(categories, lookup::categoryByName(name));
    const bool taken = categories.recordCount() > 0;
    categories.setFiltered(false);
    if (taken)
        m_cookbook.messages().show(MessageBoxes::Kind::Error, takenNameMessage(name));
    return !taken;
}

} // namespace savrona
