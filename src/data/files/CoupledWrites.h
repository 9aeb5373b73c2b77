#pragma once

// Where the snapshots of tables whose files refer to each other go, decided together,
// so that the files on disk stay consistent while one of them is in conflict.

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>

namespace savrona {

class DataFolder;

// "recipes (conflict 2024-05-01 134502).xml" for recipes.xml and that stamp.
QString conflictCopyName(const QString& fileName, const QString& stamp);

// Shared by the writers of tables whose files refer to each other (a recipe
// names its category by ID). Once one of them finds its file changed by
// another program, every later snapshot of each of them goes to a conflict
// copy beside its own file, all copies under one stamp, so that they belong
// together: "categories (conflict D T).xml" with "recipes (conflict D T).xml".
// Neither file is replaced again until the files are next read at start:
// a recipe on disk never names a category that exists only in a copy, and the
// copies hold everything the user did.
//
// The writers run on threads of their own, so the destinations are decided in
// the order the snapshots were handed over: a snapshot's turn comes once every
// snapshot handed over before it, to any of the writers, has had its
// destination decided. A recipe added after its category then never reaches
// recipes.xml while the category's snapshot is still on its way to a copy.
class CoupledWrites {
public:
    CoupledWrites() = default;
    CoupledWrites(const CoupledWrites&) = delete;
    CoupledWrites& operator=(const CoupledWrites&) = delete;

    // The place of a snapshot handed over now; every turn taken is ended.
    std::uint64_t takeTurn();
    // Waits until every turn taken before this one has ended.
    void waitForTurn(std::uint64_t turn);
    void endTurn(std::uint64_t turn);
    // Waits until every turn taken so far has ended.
    void waitForTurnsTaken();

    // The stamp of the copies, once a conflict has begun.
    std::optional<QString> conflictStamp() const;
    // Begins the conflict: a stamp of the current time that no file in the
    // folder carries yet. Returns the stamp.
    QString beginConflict(const DataFolder& folder);
    // Ends the conflict once the tables have merged the files with their records: the
    // files are theirs to replace again.
    void endConflict();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_turnEnded;
    std::uint64_t m_nextTurn = 0;
    std::set<std::uint64_t> m_turnsUnderWay;
    std::optional<QString> m_stamp;
};

// Holds a turn from its wait to its end, on every way out.
class CoupledTurn {
public:
    CoupledTurn(CoupledWrites& writes, std::uint64_t turn) : m_writes(writes), m_turn(turn) {
        m_writes.waitForTurn(m_turn);
    }
    ~CoupledTurn() { m_writes.endTurn(m_turn); }
    CoupledTurn(const CoupledTurn&) = delete;
    CoupledTurn& operator=(const CoupledTurn&) = delete;

private:
    CoupledWrites& m_writes;
    std::uint64_t m_turn;
};

} // namespace savrona
