#pragma once

// The shopping list made from recipes: their ingredient lines, scaled, with the lines for
// the same item merged.

#include "cookbook/card/IngredientLine.h"
#include "cookbook/card/UnitConversion.h"
#include "cookbook/shopping/ItemName.h"
#include "cookbook/shopping/ShoppingList.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace savrona {

// Lines are merged when they buy the same item (see ItemName) and their amounts add up:
// counts with counts ("2 eggs" and "1 egg"), volumes with volumes and weights with weights
// whatever their units ("1 cup" and "2 tablespoons" of sugar make "1 1/8 cups"). A volume
// and a weight of one item stay two lines, and so do counts of packages of different sizes
// ("2 (14 oz) cans"). A line without an amount ("salt to taste") joins a line of the same
// item that has one, or the other lines without. Each line lists the recipes it comes from,
// in the order they were added, and is ticked off only when every line merged into it was.
class ShoppingListBuilder {
public:
    // The unit a merged amount is written in: in mode's system, or as written in the
    // first line of it, in the largest of the lines' units that gives at least 1.
    explicit ShoppingListBuilder(UnitMode mode = UnitMode::AsWritten);

    // A recipe's ingredients, lines separated by line breaks, the amounts multiplied by
    // factor (a factor that is not a positive number counts as 1). Blank lines and headings
    // ("For the sauce:") are left out.
    void addRecipe(const QString& title, const QString& ingredients, double factor = 1);

    // A line already on the list, with its recipes and its tick.
    void addLine(const ShoppingLine& line);

    ShoppingList lines() const;

private:
    enum class Bucket { Count, Volume, Weight, NoAmount };

    // One line of a recipe or of the list, its amount scaled.
    struct Part {
        explicit Part(ItemName item) : item(std::move(item)) {}

        ItemName item;
        std::optional<Amount> amount;
        std::optional<Unit> unit;
        QString unitText;
        QString package;    // "(14 oz)" after a count of packages
        QString packageKey; // its kind and size, which a merged count must share
        LineWriting writing;
        QStringList recipes;
        bool done = false;
    };

    // The parts merged into one line.
    struct Group {
        QString itemKey;
        Bucket bucket;
        std::vector<Part> parts;
    };

    static Part partOf(const QString& line, double factor, const QStringList& recipes, bool done);
    static Bucket bucketOf(const Part& part);
    void add(Part part);
    ShoppingLine lineOf(const Group& group) const;
    QString countText(const Group& group) const;
    QString measuredText(const Group& group) const;
    static Unit chosenUnit(const Group& group, double baseAmount, UnitSystem system);
    static QString itemFor(const Group& group, bool plural);
    QStringList inRecipeOrder(QStringList titles) const;

    UnitMode m_mode;
    std::vector<Group> m_groups;
    QHash<QString, std::size_t> m_groupOfKey;
    QStringList m_titles; // every recipe, in the order first added
};

} // namespace savrona
