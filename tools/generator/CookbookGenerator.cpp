#include "generator/CookbookGenerator.h"

#include "data/initial-cookbook/TableDefinitions.h"

#include <QStringList>

#include <algorithm>
#include <numeric>
#include <random>

namespace savrona {

namespace {

const QStringList adjectives{"Golden",  "Crispy",    "Slow-cooked", "Spicy",  "Creamy",
                             "Rustic",  "Smoky",     "Herbed",      "Glazed", "Zesty",
                             "Tender",  "Crème",     "Roasted",     "Sweet",  "Savory",
                             "Classic", "Grandma's", "Éclair-style"};
const QStringList dishes{"Chicken", "Lentil Soup", "Pie",      "Risotto", "Bread",
                         "Salad",   "Stew",        "Pancakes", "Tart",    "Curry",
                         "Gratin",  "Muffins",     "Chili",    "Ragout"};
const QStringList ingredients{"flour",  "butter", "eggs",       "sugar",     "milk",     "onion",
                              "garlic", "salt",   "pepper",     "olive oil", "carrots",  "celery",
                              "thyme",  "cream",  "lemon zest", "parsley",   "tomatoes", "broth"};
const QStringList quantities{"1 cup", "½ cup", "¼ cup", "2 tbsp", "1 tsp", "3", "200 g", "1 pinch"};
const QStringList steps{"Preheat the oven to 180°.",          "Chop everything finely.",
                        "Stir over a low heat until smooth.", "Season to taste.",
                        "Leave to rest for ten minutes.",     "Bake until golden on top.",
                        "Fold in gently with a spatula.",     "Serve warm with fresh bread."};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    const QString& pick(const QStringList& list) {
        return list[static_cast<int>(m_random() % list.size())];
    }

    QString ingredientLines() {
        return linesOfAbout(420, [this] { return pick(quantities) + u' ' + pick(ingredients); });
    }

    QString preparationLines() {
        return linesOfAbout(520, [this] { return pick(steps); });
    }

    std::mt19937& random() { return m_random; }

private:
    template <typename MakeLine> QString linesOfAbout(qsizetype length, MakeLine makeLine) {
        QString text = makeLine();
        while (text.size() < length)
            text += QStringLiteral("\r\n") + makeLine();
        return text;
    }

    std::mt19937 m_random;
};

// Numbers 1..count in a shuffled order, so that names made from them are unique
// but stored out of index order.
std::vector<int> shuffledNumbers(int count, std::mt19937& random) {
    std::vector<int> numbers(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(numbers.begin(), numbers.end(), 1);
    std::shuffle(numbers.begin(), numbers.end(), random);
    return numbers;
}

} // namespace

GeneratedCookbook generateCookbook(int recipeCount, int categoryCount, std::uint32_t seed) {
    Generator generator(seed);
    GeneratedCookbook cookbook{{categoriesTableDefinition().fields, {}},
                               {recipesTableDefinition().fields, {}}};

    const auto categoryNumbers = shuffledNumbers(categoryCount, generator.random());
    for (int index = 0; index < categoryCount; ++index) {
        const QString name = generator.pick(adjectives) + QStringLiteral(" dishes ") +
                             QString::number(categoryNumbers[static_cast<std::size_t>(index)]);
        cookbook.categories.rows.push_back(
            {Value::integer(index + 1), Value::integer(0), Value::text(name)});
    }

    const auto titleNumbers = shuffledNumbers(recipeCount, generator.random());
    for (int index = 0; index < recipeCount; ++index) {
        const QString title = generator.pick(adjectives) + QLatin1Char(' ') +
                              generator.pick(dishes) + QStringLiteral(" No. ") +
                              QString::number(titleNumbers[static_cast<std::size_t>(index)]);
        const int categoryId = categoryCount > 0 ? index % categoryCount + 1 : 0;
        cookbook.recipes.rows.push_back(
            {Value::integer(index + 1), Value::integer(categoryId), Value::text(title),
             Value::text(generator.ingredientLines()), Value::text(generator.preparationLines()),
             Value(), Value(), Value()});
    }
    return cookbook;
}

} // namespace savrona
