// Keeps each record's ID where it is free and numbers the others above the largest.
#include "cookbook/sharing/IdAssignment.h"

#include "data/Error.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <set>

namespace savrona {

namespace {

// The numbers not yet used, from just above the largest used one, then from 1.
class FreeIds {
public:
    explicit FreeIds(const std::set<std::int32_t>& used)
        : m_used(used),
          m_next(used.empty() ? 1 : std::max<std::int64_t>(*used.rbegin() + std::int64_t{1}, 1)) {}

    std::int32_t take() {
        while (m_next > std::numeric_limits<std::int32_t>::max() ||
               m_used.contains(static_cast<std::int32_t>(m_next))) {
            if (m_next <= std::numeric_limits<std::int32_t>::max()) {
                ++m_next;
            } else if (!m_wrapped) {
                m_wrapped = true;
                m_next = 1;
            } else {
                throw Error(QStringLiteral("The merged cookbook has no free record numbers"));
            }
        }
        const auto id = static_cast<std::int32_t>(m_next++);
        m_used.insert(id);
        return id;
    }

private:
    std::set<std::int32_t> m_used;
    std::int64_t m_next;
    bool m_wrapped = false;
};

// Gives each record without an ID the first of these numbers that is free, in key order.
void takeFree(std::vector<std::optional<std::int32_t>>& ids, std::set<std::int32_t>& used,
              const std::vector<std::vector<Value>>& candidates) {
    for (std::size_t record = 0; record < ids.size(); ++record)
        for (const Value& id : candidates[record])
            if (!ids[record] && id.isInteger() && used.insert(id.integer()).second)
                ids[record] = id.integer();
}

} // namespace

std::vector<std::int32_t> assignIds(const std::vector<IdChoice>& choices) {
    std::vector<std::vector<Value>> preferred;
    std::vector<std::vector<Value>> alternatives;
    for (const IdChoice& choice : choices) {
        preferred.push_back({choice.preferred});
        alternatives.push_back(choice.alternatives);
    }
    std::vector<std::optional<std::int32_t>> ids(choices.size());
    std::set<std::int32_t> used;
    takeFree(ids, used, preferred);
    takeFree(ids, used, alternatives);
    FreeIds free(used);
    std::vector<std::int32_t> assigned;
    for (const std::optional<std::int32_t>& id : ids)
        assigned.push_back(id ? *id : free.take());
    return assigned;
}

} // namespace savrona
