#pragma once

// The requests from outside to end the program, as a count that the exit's question can
// look at without knowing where they come from.

namespace savrona {

// A signal or the end of the desktop session asking the program to end. A
// question shown at exit compares the count before and after it is answered:
// a request that came while it was shown means nobody is there to answer.
class EndRequests {
public:
    virtual ~EndRequests() = default;
    // How many requests have come so far.
    virtual int count() const = 0;
};

} // namespace savrona
