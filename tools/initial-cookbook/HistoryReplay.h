#pragma once

#include "data/packets/binary/BinaryPacket.h"
#include "initial-cookbook/CookbookSource.h"

namespace savrona::cookbook {

struct CookbookSources {
    std::vector<SourceCategory> categories; // as they are now
    std::vector<SourceRecipe> recipes;      // as they are now
    History history;
};

// The initial cookbook's two packets, change logs included.
struct InitialPackets {
    RawBinaryPacket categories;
    RawBinaryPacket recipes;
};

// Works the history back from the cookbook as it is now to the cookbook as it
// stood when the change log began, checking that every change finds what it
// changed; then replays the history from there, checking it against the
// program's rules (a new record's ID is the highest in use + 1, names and
// titles stay unique, a category is emptied before it is deleted), and
// records both tables' rows and change logs. Rows from before the log are
// stored in order of ID. Throws savrona::Error naming the place of the first
// fault.
InitialPackets makeInitialPackets(const CookbookSources& sources);

} // namespace savrona::cookbook
