#!/usr/bin/env bash
# Installs what is missing, builds a test build with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through ctest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSAVRONA_SANITIZE=ON >/dev/null
cmake --build "$here/build-test"
cd "$here/build-test"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --timeout 600 -j2
