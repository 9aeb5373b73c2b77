#pragma once

#include "data/Error.h"

#include <QString>

#include <functional>

namespace savrona::test_support {

// The message of the savrona::Error that action throws, or "(no error)".
inline QString messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace savrona::test_support
