#!/usr/bin/env bash
# Fails when any of the given programs needs one of Qt's GUI libraries: the
# data and cookbook layers, and their tests, run on Qt Core alone.
set -euo pipefail
status=0
for program in "$@"; do
    needed=$(readelf -d "$program" | grep -E 'NEEDED.*libQt6(Gui|Widgets|Svg|PrintSupport)' || true)
    if [ -n "$needed" ]; then
        echo "$program needs Qt GUI libraries:"
        echo "$needed"
        status=1
    fi
done
exit $status
