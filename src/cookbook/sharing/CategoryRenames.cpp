// Finds the categories renamed since the base, and makes those renames in every version.
#include "cookbook/sharing/CategoryRenames.h"

#include "cookbook/sharing/ValueOrder.h"

#include <map>
#include <optional>
#include <set>

namespace savrona {

namespace {

// The names of one version's categories, and which names each ID has.
class CategoryNames {
public:
    explicit CategoryNames(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            const Value& id = cell(row, categoryColumn::id);
            const Value& name = cell(row, categoryColumn::name);
            m_names.insert(name);
            if (id.isInteger())
                m_namesById[id.integer()].push_back(name);
        }
    }

    bool holds(const Value& name) const { return m_names.contains(name); }

    // The name of the one category of this ID; none when no category or several have it.
    std::optional<Value> soleNameOf(std::int32_t id) const {
        const auto names = m_namesById.find(id);
        if (names == m_namesById.end() || names->second.size() != 1)
            return std::nullopt;
        return names->second.front();
    }

    const std::map<std::int32_t, std::vector<Value>>& namesById() const { return m_namesById; }

private:
    std::set<Value, ValueLess> m_names;
    std::map<std::int32_t, std::vector<Value>> m_namesById;
};

// Whether a side's name for the category lets it take the new name.
bool allows(const CategoryNames& side, const Value& sideName, const Value& from, const Value& to) {
    if (sideName != from && side.holds(from))
        return false;
    return sideName == to || !side.holds(to);
}

} // namespace

CategoryRenames::CategoryRenames(const CookbookRows& base, const CookbookRows& ours,
                                 const CookbookRows& theirs) {
    const CategoryNames baseNames(base.categories);
    const CategoryNames ourNames(ours.categories);
    const CategoryNames theirNames(theirs.categories);
    for (const auto& [id, names] : baseNames.namesById()) {
        const std::optional<Value> from = baseNames.soleNameOf(id);
        const std::optional<Value> ourName = ourNames.soleNameOf(id);
        const std::optional<Value> theirName = theirNames.soleNameOf(id);
        if (!from || !ourName || !theirName || (*ourName == *from && *theirName == *from))
            continue;
        const Value& to = *theirName == *from                 ? *ourName
                          : *ourName == *from                 ? *theirName
                          : ValueLess()(*ourName, *theirName) ? *ourName
                                                              : *theirName;
        if (!baseNames.holds(to) && allows(ourNames, *ourName, *from, to) &&
            allows(theirNames, *theirName, *from, to))
            m_renames.push_back({id, to, *ourName == to, *theirName == to});
    }
    for (const CategoryRename& rename : m_renames)
        m_newNames.emplace(rename.id, rename.to);
}

const Value& CategoryRenames::nameOf(const Value& id, const Value& name) const {
    if (!id.isInteger())
        return name;
    const auto renamed = m_newNames.find(id.integer());
    return renamed == m_newNames.end() ? name : renamed->second;
}

} // namespace savrona
