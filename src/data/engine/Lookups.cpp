// Builds the lookup expressions, quoting names and titles so that no text can change
// the expression's meaning.
#include "data/engine/Lookups.h"

namespace savrona::lookup {

namespace {

QString quoted(QString text) {
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

} // namespace

QString categoryByName(const QString& name) {
    return QStringLiteral("Category = ") + quoted(name);
}

QString categoryById(std::int32_t id) {
    return QStringLiteral("ID = ") + QString::number(id);
}

QString recipesOfCategory(std::int32_t categoryId) {
    return QStringLiteral("CategoryID = ") + QString::number(categoryId);
}

QString recipeByTitle(const QString& title) {
    return QStringLiteral("Title = ") + quoted(title);
}

QString recipeById(std::int32_t id) {
    return QStringLiteral("ID = ") + QString::number(id);
}

} // namespace savrona::lookup
