#!/usr/bin/env bash
# Installs what is missing, builds a test build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through ctest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

"$here/scripts/deps.sh"
cd "$here"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
