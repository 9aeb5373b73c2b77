#pragma once

// Numbers the merged records of one table.

#include "data/Value.h"

#include <cstdint>
#include <vector>

namespace savrona {

// The ID a merged record would keep, and the other IDs it has in the versions merged.
struct IdChoice {
    Value preferred;
    std::vector<Value> alternatives;
};

// The IDs of records given in the merge's order of keys. Each keeps its preferred ID unless a
// record before it took it; then the first of its alternatives no record prefers or took
// before it, so that a record one merge numbered anew keeps that number when merged again;
// the others, and those without a number, get new ones in that order, counting up from the
// largest kept. Past the largest 32-bit number the count goes on over the free numbers from
// 1. Throws Error only when no number is free.
std::vector<std::int32_t> assignIds(const std::vector<IdChoice>& choices);

} // namespace savrona
