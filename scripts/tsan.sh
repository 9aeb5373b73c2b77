#!/usr/bin/env bash
# Builds the data-layer tests with ThreadSanitizer and runs those of the
# tables' writer threads: the shared row blocks, the queue, and commands
# racing a write.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-tsan"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSAVRONA_TSAN=ON \
    -DSAVRONA_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target data_tests
# Qt's own atomics are not instrumented; the suppressions name only Qt.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/scripts/tsan.supp"
"$build/tests/data/data_tests" \
    --gtest_filter='SnapshotRows*:Changes/SnapshotRows*:WriteBehind*:Retries/*:Endings/*:TableSafety*'
