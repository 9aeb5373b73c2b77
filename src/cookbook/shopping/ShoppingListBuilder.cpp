// Reads recipes' ingredient lines and adds up the amounts of the same item.
#include "cookbook/shopping/ShoppingListBuilder.h"

#include <algorithm>
#include <cmath>

namespace savrona {

namespace {

QStringList linesOf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return text.split(u'\n');
}

bool isIngredient(QStringView line) {
    const QStringView trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.endsWith(u':'))
        return false;
    return std::any_of(trimmed.begin(), trimmed.end(),
                       [](QChar character) { return character.isLetterOrNumber(); });
}

void addMissing(QStringList& into, const QStringList& titles) {
    for (const QString& title : titles) {
        if (!into.contains(title))
            into.append(title);
    }
}

// Amounts each multiplied by its size and added; a range makes the sum a range.
Amount sumOf(const std::vector<std::pair<const Amount*, double>>& amounts) {
    Amount sum;
    double high = 0;
    for (const auto& [amount, size] : amounts) {
        sum.low += amount->low * size;
        high += amount->largest() * size;
        if (amount->high && !sum.high) {
            sum.high = 0;
            sum.rangeJoiner = amount->rangeJoiner;
        }
    }
    if (sum.high)
        sum.high = high;
    return sum;
}

} // namespace

ShoppingListBuilder::ShoppingListBuilder(UnitMode mode) : m_mode(mode) {}

void ShoppingListBuilder::addRecipe(const QString& title, const QString& ingredients,
                                    double factor) {
    if (!(factor > 0) || !std::isfinite(factor))
        factor = 1;
    for (const QString& line : linesOf(ingredients)) {
        if (isIngredient(line))
            add(partOf(line, factor, {title}, false));
    }
}

void ShoppingListBuilder::addLine(const ShoppingLine& line) {
    add(partOf(line.text, 1, line.recipes, line.done));
}

ShoppingListBuilder::Part ShoppingListBuilder::partOf(const QString& line, double factor,
                                                      const QStringList& recipes, bool done) {
    const IngredientLine read = readIngredientLine(line);
    Part part(ItemName(QStringView(line).sliced(read.itemStart)));
    part.writing = read.writing;
    part.recipes = recipes;
    part.done = done;
    if (!read.measure || !read.measure->amount.scaled(factor).isFinite())
        return part;
    const Measure& measure = *read.measure;
    part.amount = measure.amount.scaled(factor);
    part.unit = measure.unit;
    part.unitText = line.sliced(measure.unitStart, measure.end - measure.unitStart);
    if (read.countsPackages()) {
        const Measure& size = *read.inParentheses;
        part.package = line.sliced(read.groupStart, read.groupEnd - read.groupStart).trimmed();
        part.packageKey = QString::number(int(kindOf(*size.unit))) + u':' +
                          QString::number(size.amount.low * baseSize(*size.unit), 'g', 6);
    }
    return part;
}

ShoppingListBuilder::Bucket ShoppingListBuilder::bucketOf(const Part& part) {
    if (!part.amount)
        return Bucket::NoAmount;
    if (!part.unit)
        return Bucket::Count;
    return kindOf(*part.unit) == UnitKind::Volume ? Bucket::Volume : Bucket::Weight;
}

void ShoppingListBuilder::add(Part part) {
    addMissing(m_titles, part.recipes);
    const Bucket bucket = bucketOf(part);
    const QString key =
        part.item.key() + u'\x1f' + QString::number(int(bucket)) + u'\x1f' + part.packageKey;
    if (const auto found = m_groupOfKey.constFind(key); found != m_groupOfKey.constEnd()) {
        m_groups[*found].parts.push_back(std::move(part));
        return;
    }
    m_groupOfKey.insert(key, m_groups.size());
    QString itemKey = part.item.key();
    m_groups.push_back({std::move(itemKey), bucket, {}});
    m_groups.back().parts.push_back(std::move(part));
}

ShoppingList ShoppingListBuilder::lines() const {
    // The first group of each item that has an amount takes the item's lines without one.
    QHash<QString, std::size_t> measuredGroupOfItem;
    for (std::size_t index = 0; index < m_groups.size(); ++index) {
        if (m_groups[index].bucket != Bucket::NoAmount &&
            !measuredGroupOfItem.contains(m_groups[index].itemKey))
            measuredGroupOfItem.insert(m_groups[index].itemKey, index);
    }
    ShoppingList lines;
    std::vector<std::size_t> lineOfGroup(m_groups.size());
    for (std::size_t index = 0; index < m_groups.size(); ++index) {
        const Group& group = m_groups[index];
        if (group.bucket == Bucket::NoAmount && measuredGroupOfItem.contains(group.itemKey))
            continue;
        lineOfGroup[index] = lines.size();
        lines.push_back(lineOf(group));
    }
    for (const Group& group : m_groups) {
        if (group.bucket != Bucket::NoAmount || !measuredGroupOfItem.contains(group.itemKey))
            continue;
        ShoppingLine& line = lines[lineOfGroup[measuredGroupOfItem.value(group.itemKey)]];
        for (const Part& part : group.parts) {
            addMissing(line.recipes, part.recipes);
            line.done = line.done && part.done;
        }
    }
    for (ShoppingLine& line : lines)
        line.recipes = inRecipeOrder(line.recipes);
    return lines;
}

ShoppingLine ShoppingListBuilder::lineOf(const Group& group) const {
    ShoppingLine line;
    line.done = std::all_of(group.parts.begin(), group.parts.end(),
                            [](const Part& part) { return part.done; });
    for (const Part& part : group.parts)
        addMissing(line.recipes, part.recipes);
    switch (group.bucket) {
    case Bucket::NoAmount:
        line.text = group.parts.front().item.shown();
        break;
    case Bucket::Count:
        line.text = countText(group);
        break;
    case Bucket::Volume:
    case Bucket::Weight:
        line.text = measuredText(group);
        break;
    }
    line.text = line.text.trimmed();
    return line;
}

QString ShoppingListBuilder::countText(const Group& group) const {
    std::vector<std::pair<const Amount*, double>> amounts;
    for (const Part& part : group.parts)
        amounts.emplace_back(&*part.amount, 1.0);
    const Amount sum = sumOf(amounts);
    const Part& first = group.parts.front();
    const NumberStyle style = first.writing.styleFor(first.amount->form, std::nullopt);
    QString text = formatAmount(sum, style) + u' ';
    if (!first.package.isEmpty())
        text += first.package + u' ';
    return text + itemFor(group, takesPlural(sum, style));
}

QString ShoppingListBuilder::measuredText(const Group& group) const {
    const Part& first = group.parts.front();
    const UnitSystem system = systemFor(m_mode).value_or(systemOf(*first.unit));
    std::vector<std::pair<const Amount*, double>> amounts;
    bool converted = false;
    for (const Part& part : group.parts) {
        amounts.emplace_back(&*part.amount, baseSize(*part.unit));
        converted = converted || systemOf(*part.unit) != system;
    }
    const Amount total = sumOf(amounts);
    const Unit unit = chosenUnit(group, total.low, system);
    Amount amount = total.scaled(1 / baseSize(unit));
    if (converted) {
        amount.low = kitchenRounded(amount.low, unit);
        if (amount.high)
            amount.high = kitchenRounded(*amount.high, unit);
    }
    const NumberStyle style = converted ? first.writing.styleFor(system)
                                        : first.writing.styleFor(first.amount->form, unit);
    const bool plural = takesPlural(amount, style);
    QString unitText = unitSpelling(unit, plural);
    for (const Part& part : group.parts) {
        if (part.unit == unit) {
            unitText = respelledUnit(part.unitText, plural);
            break;
        }
    }
    return formatAmount(amount, style) + u' ' + unitText + u' ' + first.item.shown();
}

Unit ShoppingListBuilder::chosenUnit(const Group& group, double baseAmount, UnitSystem system) {
    std::optional<Unit> largestFilled;
    std::optional<Unit> smallest;
    for (const Part& part : group.parts) {
        const Unit unit = *part.unit;
        if (systemOf(unit) != system)
            continue;
        if (!smallest || baseSize(unit) < baseSize(*smallest))
            smallest = unit;
        const bool filled = baseAmount / baseSize(unit) >= 1 - 1e-9;
        if (filled && (!largestFilled || baseSize(unit) > baseSize(*largestFilled)))
            largestFilled = unit;
    }
    if (largestFilled)
        return *largestFilled;
    if (smallest)
        return *smallest;
    return kitchenUnit(baseAmount, kindOf(*group.parts.front().unit), system);
}

// The item as written in a line whose amount asks for the same number, singular or plural.
QString ShoppingListBuilder::itemFor(const Group& group, bool plural) {
    for (const Part& part : group.parts) {
        if ((part.amount->largest() > 1) == plural)
            return part.item.shown();
    }
    return group.parts.front().item.shown();
}

QStringList ShoppingListBuilder::inRecipeOrder(QStringList titles) const {
    std::stable_sort(titles.begin(), titles.end(),
                     [&](const QString& first, const QString& second) {
                         return m_titles.indexOf(first) < m_titles.indexOf(second);
                     });
    return titles;
}

} // namespace savrona
