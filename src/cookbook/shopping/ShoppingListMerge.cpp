// Merges two versions of the shopping list line by line against their base.
#include "cookbook/shopping/ShoppingListMerge.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace savrona {

namespace {

// A line's text and how many lines of the same text come before it.
using LineKey = std::pair<QString, int>;

std::vector<LineKey> keysOf(const ShoppingList& list) {
    QHash<QString, int> seen;
    std::vector<LineKey> keys;
    keys.reserve(list.size());
    for (const ShoppingLine& line : list)
        keys.emplace_back(line.text, seen[line.text]++);
    return keys;
}

class KeyedList {
public:
    explicit KeyedList(const ShoppingList& list) : m_keys(keysOf(list)) {
        for (std::size_t index = 0; index < list.size(); ++index)
            m_lines.emplace(m_keys[index], std::make_pair(&list[index], index));
    }

    const std::vector<LineKey>& keys() const { return m_keys; }

    const ShoppingLine* line(const LineKey& key) const {
        const auto found = m_lines.find(key);
        return found == m_lines.end() ? nullptr : found->second.first;
    }

    std::optional<std::size_t> position(const LineKey& key) const {
        const auto found = m_lines.find(key);
        if (found == m_lines.end())
            return std::nullopt;
        return found->second.second;
    }

private:
    std::vector<LineKey> m_keys;
    std::map<LineKey, std::pair<const ShoppingLine*, std::size_t>> m_lines;
};

// The value both sides agree on, or the one a side changed against the base; none when
// they differ otherwise.
template <typename Field>
std::optional<Field> mergedField(const Field* base, const Field& first, const Field& second) {
    if (first == second)
        return first;
    if (base && first == *base)
        return second;
    if (base && second == *base)
        return first;
    return std::nullopt;
}

// The recipes of both, in an order that does not depend on which side is which.
QStringList unionOf(const QStringList& first, const QStringList& second) {
    const bool firstLeads = !(second < first);
    QStringList merged = firstLeads ? first : second;
    for (const QString& title : firstLeads ? second : first) {
        if (!merged.contains(title))
            merged.append(title);
    }
    return merged;
}

std::optional<ShoppingLine> mergedLine(const ShoppingLine* base, const ShoppingLine* first,
                                       const ShoppingLine* second) {
    if (!first || !second) {
        const ShoppingLine* present = first ? first : second;
        if (!present || (base && *base == *present))
            return std::nullopt;
        return *present;
    }
    ShoppingLine merged;
    merged.text = first->text;
    merged.done =
        mergedField(base ? &base->done : nullptr, first->done, second->done).value_or(false);
    merged.recipes = mergedField(base ? &base->recipes : nullptr, first->recipes, second->recipes)
                         .value_or(unionOf(first->recipes, second->recipes));
    return merged;
}

bool linesBefore(const ShoppingLine& first, const ShoppingLine& second) {
    return std::tie(first.text, first.done, first.recipes) <
           std::tie(second.text, second.done, second.recipes);
}

} // namespace

ShoppingList mergeShoppingLists(const ShoppingList& base, const ShoppingList& ours,
                                const ShoppingList& theirs) {
    const bool oursLead = !std::lexicographical_compare(theirs.begin(), theirs.end(), ours.begin(),
                                                        ours.end(), linesBefore);
    const KeyedList baseLines(base);
    const KeyedList leading(oursLead ? ours : theirs);
    const KeyedList following(oursLead ? theirs : ours);

    // The following side's own lines, after the line they follow there that the leading
    // side has too (the first slot: before all).
    std::vector<std::vector<LineKey>> insertedAfter(leading.keys().size() + 1);
    std::size_t slot = 0;
    for (const LineKey& key : following.keys()) {
        if (const std::optional<std::size_t> position = leading.position(key))
            slot = *position + 1;
        else
            insertedAfter[slot].push_back(key);
    }

    ShoppingList merged;
    const auto mergeLine = [&](const LineKey& key) {
        if (std::optional<ShoppingLine> line =
                mergedLine(baseLines.line(key), leading.line(key), following.line(key)))
            merged.push_back(std::move(*line));
    };
    for (std::size_t index = 0; index <= leading.keys().size(); ++index) {
        if (index > 0)
            mergeLine(leading.keys()[index - 1]);
        for (const LineKey& key : insertedAfter[index])
            mergeLine(key);
    }
    return merged;
}

} // namespace savrona
