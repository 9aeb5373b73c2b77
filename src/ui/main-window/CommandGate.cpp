// Lets a command run, ignores it during a rebuild, or refuses one that would number a
// record with an unknown ID.
#include "ui/main-window/CommandGate.h"

#include "data/Error.h"

#include <limits>

namespace savrona {

void CommandGate::beginRebuild() {
    m_rebuilding = true;
    m_nextIdsKnown = false;
}

void CommandGate::endRebuild(bool succeeded, const QString& whyNotNumbered) {
    m_rebuilding = false;
    m_nextIdsKnown = succeeded;
    m_whyNotNumbered = whyNotNumbered;
}

void CommandGate::run(Effect effect, const std::function<void()>& command) const {
    if (m_rebuilding)
        return;
    if (effect == Effect::AddsRecord && !m_nextIdsKnown && !m_whyNotNumbered.isEmpty())
        throw Error(m_whyNotNumbered);
    if (effect == Effect::AddsRecord && !m_nextIdsKnown)
        throw Error(QStringLiteral(
            "The cookbook was not read completely, so a new record cannot be numbered safely "
            "and nothing was added. Please correct the problem reported before and start "
            "Savrona again"));
    command();
}

std::optional<std::int32_t> CommandGate::followingId(std::int32_t greatest) {
    if (greatest == std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return greatest + 1;
}

QString CommandGate::greatestIdRefusal(const char* kind, const QString& fileName) {
    return QStringLiteral("Nothing was added: a %1 in %2 has the ID %3, the greatest ID there "
                          "can be, so no new record can be numbered after it")
        .arg(QLatin1String(kind), fileName)
        .arg(std::numeric_limits<std::int32_t>::max());
}

} // namespace savrona
