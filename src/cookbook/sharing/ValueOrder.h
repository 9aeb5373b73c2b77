#pragma once

// A total order of field values, so that every choice the merge makes between two values
// depends on the values alone: null first, then integers by number, then texts byte by byte.

#include "data/Value.h"

#include <compare>

namespace savrona {

inline std::strong_ordering compareValues(const Value& left, const Value& right) {
    const auto kind = [](const Value& value) {
        return value.isNull() ? 0 : value.isInteger() ? 1 : 2;
    };
    if (kind(left) != kind(right))
        return kind(left) <=> kind(right);
    if (left.isInteger())
        return left.integer() <=> right.integer();
    if (left.isText())
        return left.utf8().compare(right.utf8()) <=> 0;
    return std::strong_ordering::equal;
}

struct ValueLess {
    bool operator()(const Value& left, const Value& right) const {
        return compareValues(left, right) < 0;
    }
};

} // namespace savrona
