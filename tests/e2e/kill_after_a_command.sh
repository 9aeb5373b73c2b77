#!/usr/bin/env bash
# End to end: a command's change is written behind it within a second, so a
# SIGKILL one second after the command (a crash, a power cut's nearest kin)
# finds it in the file; and the files are always whole, a kill in the middle
# of a write included.
set -euo pipefail
savrona="$1"
source "$(dirname "$0")/e2e_support.sh"

whole_packet() {
    python3 -c 'import sys, xml.etree.ElementTree as tree; tree.parse(sys.argv[1])' "$1"
}

for round in 1 2 3; do
    "$savrona" &
    app=$!
    focus_main_window
    add_category_through_root_menu "Killed Soon $round"
    if [ "$round" -eq 1 ]; then
        sleep 1
    else
        # Anywhere in the write.
        sleep "0.0$((RANDOM % 10))"
    fi
    kill -KILL "$app"
    wait "$app" 2>/dev/null || true
    for file in categories.xml recipes.xml; do
        [ ! -e "$file" ] || whole_packet "$file" || fail "$file is not whole after a kill"
    done
    if [ "$round" -eq 1 ]; then
        grep -q "Killed Soon 1" categories.xml ||
            fail "the category added a second before the kill is not in categories.xml"
    fi
    rm -f .savrona.lock
done
grep -q "Killed Soon 1" categories.xml || fail "categories.xml lost the first category"
echo "end-to-end: a change a second before SIGKILL is in the file, and the files stay whole"
