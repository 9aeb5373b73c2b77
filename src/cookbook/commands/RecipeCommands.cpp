// Adding, saving and deleting recipes: the duplicate-title checks, the confirmation and
// the writes to the recipes table.
#include "cookbook/commands/RecipeCommands.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/commands/CookbookQueries.h"
#include "data/engine/Lookups.h"

namespace savrona {

namespace {

const QString lineBreak = QStringLiteral("\r");

QString takenTitleMessage(const QString& title, const std::optional<QString>& categoryName) {
    const QString where = categoryName ? QStringLiteral(") already exists in ") + *categoryName +
                                             QStringLiteral(" category.")
                                       : QStringLiteral(") already exists.");
    return QStringLiteral("Such recipe (") + title + where + lineBreak +
           QStringLiteral("Please enter different name for new recipe and then try again.");
}

QString deleteConfirmation(const QString& title) {
    return QStringLiteral("Are you shure that you want to delete selected recipe (") + title +
           QStringLiteral(")?") + lineBreak +
           QStringLiteral("Recipe can't be restored once it is deleted!");
}

} // namespace

RecipeCommands::RecipeCommands(CookbookAccess& cookbook) : m_cookbook(cookbook) {}

RecipeOutcome RecipeCommands::addRecipe(const QString& categoryName, std::int32_t id,
                                        const RecipeTexts& texts) {
    if (texts.title.isEmpty() || reportTakenTitle(texts.title))
        return RecipeOutcome::Nothing;
    const std::optional<std::int32_t> categoryId =
        categoryIdByName(m_cookbook.categories(), categoryName);
    if (!categoryId)
        return RecipeOutcome::Nothing;
    m_cookbook.recipes().insertRecord(
        {id, *categoryId, texts.title, texts.ingredients, texts.preparation, nullptr, nullptr});
    return RecipeOutcome::Rebuild;
}

RecipeOutcome RecipeCommands::saveChanges(const QString& selectedTitle, const RecipeTexts& texts) {
    if (texts.title == selectedTitle) {
        writeTexts(selectedTitle, texts);
        return RecipeOutcome::Nothing;
    }
    if (texts.title.isEmpty() || reportTakenTitle(texts.title))
        return RecipeOutcome::Nothing;
    if (!writeTexts(selectedTitle, texts))
        return RecipeOutcome::Nothing;
    return RecipeOutcome::RebuildAndSelectRecipe;
}

RecipeOutcome RecipeCommands::deleteRecipe(const QString& selectedTitle) {
    if (!m_cookbook.messages().show(MessageBoxes::Kind::Confirmation,
                                    deleteConfirmation(selectedTitle)))
        return RecipeOutcome::Nothing;
    Table& recipes = m_cookbook.recipes();
    showOnly(recipes, lookup::recipeByTitle(selectedTitle));
    if (recipes.recordCount() > 0)
        recipes.deleteRecord();
    recipes.setFiltered(false);
    return RecipeOutcome::RebuildAndReturnToRoot;
}

bool RecipeCommands::reportTakenTitle(const QString& title) {
    Table& recipes = m_cookbook.recipes();
    showOnly(recipes, lookup::recipeByTitle(title));
    if (recipes.recordCount() == 0) {
        recipes.setFiltered(false);
        return false;
    }
    const std::optional<QString> categoryName = categoryNameOfCurrentRecipe();
    recipes.setFiltered(false);
    m_cookbook.messages().show(MessageBoxes::Kind::Error, takenTitleMessage(title, categoryName));
    return true;
}

std::optional<QString> RecipeCommands::categoryNameOfCurrentRecipe() {
    const Value categoryId = m_cookbook.recipes().fieldByName(field::categoryId);
    if (!categoryId.isInteger())
        return std::nullopt;
    Table& categories = m_cookbook.categories();
    showOnly(categories, lookup::categoryById(categoryId.integer()));
    const Value name = categories.fieldByName(field::category);
    categories.setFiltered(false);
    if (!name.isText())
        return std::nullopt;
    return name.toQString();
}

bool RecipeCommands::writeTexts(const QString& title, const RecipeTexts& texts) {
    Table& recipes = m_cookbook.recipes();
    showOnly(recipes, lookup::recipeByTitle(title));
    // An edit of an empty view would begin a new recipe without ID or category.
    const bool found = recipes.recordCount() > 0;
    if (found) {
        recipes.edit();
        recipes.setFields({FieldInput::leaveAlone(), FieldInput::leaveAlone(), texts.title,
                           texts.ingredients, texts.preparation});
        recipes.post();
    }
    recipes.setFiltered(false);
    return found;
}

} // namespace savrona
