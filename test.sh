#!/usr/bin/env bash
# Installs what is missing, builds a test build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through ctest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

"$here/scripts/deps.sh"
# A compiler cache, where one is installed, makes a second build of the same
# sources quick (a fresh clone, CI on a developer's machine).
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cd "$here"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
