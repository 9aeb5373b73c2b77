// Names the conflict copies after their origin and adds them, each once.
#include "cookbook/sharing/ConflictCopies.h"

namespace savrona {

namespace {

constexpr qsizetype titleWidth = 255;
// Room for the recipe's own title, however long an origin is.
constexpr qsizetype originWidth = 100;

QString fitted(QString text, qsizetype width) {
    if (text.size() > width) {
        text.truncate(width);
        if (!text.isEmpty() && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QString oneLine(QString text) {
    for (const QChar breakCharacter : {u'\r', u'\n', u'\t'})
        text.replace(breakCharacter, u' ');
    return text;
}

QString copyTitle(const QString& title, const QString& origin, int number) {
    QString suffix = QStringLiteral(" (from %1)").arg(fitted(oneLine(origin), originWidth));
    if (number > 1)
        suffix += QStringLiteral(" (%1)").arg(number);
    return fitted(title, titleWidth - suffix.size()) + suffix;
}

} // namespace

std::optional<QString> ConflictCopies::add(const Value& title, const RecipeRecord& copy,
                                           const QString& origin) {
    const QString original = title.isText() ? title.toQString() : QString();
    if (holdsCopyAmong((original + QStringLiteral(" (from ")).toUtf8(), copy))
        return std::nullopt;
    for (int number = 1;; ++number) {
        const QString candidate = copyTitle(original, origin, number);
        const RecipeRecord* holder = recipeTitled(candidate.toUtf8());
        if (!holder) {
            m_recipes.emplace(RecipeKey{Value::text(candidate), 0}, copy);
            return candidate;
        }
        if (holder->sameContent(copy))
            return std::nullopt;
    }
}

bool ConflictCopies::holdsCopyAmong(const QByteArray& titlePrefix, const RecipeRecord& copy) const {
    for (auto recipe = m_recipes.lower_bound(RecipeKey{Value::text(titlePrefix), 0});
         recipe != m_recipes.end() && recipe->first.title.utf8().startsWith(titlePrefix); ++recipe)
        if (recipe->second.sameContent(copy))
            return true;
    return false;
}

const RecipeRecord* ConflictCopies::recipeTitled(const QByteArray& title) const {
    const auto recipe = m_recipes.lower_bound(RecipeKey{Value::text(title), 0});
    if (recipe == m_recipes.end() || recipe->first.title != Value::text(title))
        return nullptr;
    return &recipe->second;
}

} // namespace savrona
