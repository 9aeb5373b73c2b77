// Lets a command run, ignores it during a rebuild, or refuses one that would number a
// record with an unknown ID.
#include "CommandGate.h"

#include "Error.h"

namespace savrona {

void CommandGate::beginRebuild() {
    m_rebuilding = true;
    m_nextIdsKnown = false;
}

void CommandGate::endRebuild(bool succeeded) {
    m_rebuilding = false;
    m_nextIdsKnown = succeeded;
}

void CommandGate::run(Effect effect, const std::function<void()>& command) const {
    if (m_rebuilding)
        return;
    if (effect == Effect::AddsRecord && !m_nextIdsKnown)
        throw Error(QStringLiteral(
            "The cookbook was not read completely, so a new record cannot be numbered safely "
            "and nothing was added. Please correct the problem reported before and start "
            "Savrona again"));
    command();
}

} // namespace savrona
