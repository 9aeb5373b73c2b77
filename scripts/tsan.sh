#!/usr/bin/env bash
# Builds the tests of the tables' writer threads with ThreadSanitizer and
# runs them: the shared row blocks, the queue, commands racing a write, a
# failure in a queued write and the exit while writes wait.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-tsan"
cd "$here"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$build/tests/data/write_behind_tests"
