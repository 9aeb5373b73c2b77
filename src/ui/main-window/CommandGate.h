#pragma once

// The main window's guard around its commands while the tree is rebuilt and after a
// rebuild failed.

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

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
    // Otherwise whyNotNumbered, when given, is what an adding command is
    // refused with; by default the message points to the error shown before.
    void endRebuild(bool succeeded, const QString& whyNotNumbered = QString());

    bool isRebuilding() const { return m_rebuilding; }
    bool nextIdsKnown() const { return m_nextIdsKnown; }

    // Runs the command, leaves it unanswered during a rebuild, or throws
    // savrona::Error when it would add a record with an unknown ID.
    void run(Effect effect, const std::function<void()>& command) const;

    // The ID after the greatest one a rebuild met; nothing when that would
    // leave the 32-bit range.
    static std::optional<std::int32_t> followingId(std::int32_t greatest);
    // Why nothing can be added then: a kind of record ("category") in a file
    // holds the greatest ID there can be.
    static QString greatestIdRefusal(const char* kind, const QString& fileName);

private:
    bool m_rebuilding = false;
    bool m_nextIdsKnown = false;
    QString m_whyNotNumbered;
};

} // namespace savrona
