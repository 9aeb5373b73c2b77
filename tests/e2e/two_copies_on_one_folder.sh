#!/usr/bin/env bash
# End to end: a second savrona started on a data folder that one already has
# open says so and ends without touching the files; the first goes on, saves
# at exit and gives the folder free again.
set -euo pipefail
savrona="$1"
source "$(dirname "$0")/e2e_support.sh"

"$savrona" &
first=$!
focus_main_window

files_before="$(ls -A)"
"$savrona" &
second=$!
box="$(window_named 'Warning')"
focus "$box"
xdotool key --delay 100 Return
wait_for_exit "$second"
[ "$exit_status" -eq 1 ] || fail "the second copy ended with $exit_status, not 1"
[ "$(ls -A)" = "$files_before" ] || fail "the second copy changed the data folder"

# The first copy is still there and saves its cookbook at exit.
focus_main_window
quit_through_file_menu
wait_for_exit "$first"
[ "$exit_status" -eq 0 ] || fail "the first copy ended with $exit_status"
[ -s recipes.xml ] && [ -s categories.xml ] || fail "the first copy did not save"
[ ! -e .savrona.lock ] || fail "the lock file stayed after the exit"
echo "end-to-end: a second copy on the same cookbook was turned away"
