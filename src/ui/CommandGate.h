#pragma once

// The main window's guard around its commands while the tree is rebuilt and after a
// rebuild failed.

#include <functional>

namespace savrona {

// Decides whether a command may run now. While the tree is rebuilt no command
// that changes the tables or starts a rebuild runs: the rebuild is still
// walking the tables and its nodes. After a rebuild that ended in an error
// the next IDs are not known, so no command that adds a record runs until a
// rebuild has succeeded; it is refused with a message instead.
class CommandGate {
public:
    enum class Effect {
        ChangesCookbook, // writes the tables or rebuilds the tree
        AddsRecord,      // also gives a new record the next ID
    };

    void beginRebuild();
    // succeeded: the rebuild reached its end and computed the next IDs.
    void endRebuild(bool succeeded);

    bool isRebuilding() const { return m_rebuilding; }
    bool nextIdsKnown() const { return m_nextIdsKnown; }

    // Runs the command, leaves it unanswered during a rebuild, or throws
    // savrona::Error when it would add a record with an unknown ID.
    void run(Effect effect, const std::function<void()>& command) const;

private:
    bool m_rebuilding = false;
    bool m_nextIdsKnown = false;
};

} // namespace savrona
