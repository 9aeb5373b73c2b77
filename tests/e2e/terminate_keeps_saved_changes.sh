#!/usr/bin/env bash
# End to end: Save Changes leaves recipes.xml to the next rebuild or the exit;
# SIGTERM (a logout, a shutdown, `kill`) closes the window the normal way, so
# the exit writes the change.
set -euo pipefail
savrona="$1"
source "$(dirname "$0")/e2e_support.sh"

"$savrona" &
app=$!
focus_main_window

# The first recipe of the last category, its ingredients typed over, Save Changes.
xdotool key --delay 100 End
sleep 0.3
xdotool key --delay 100 Right Down
sleep 0.5
xdotool key --delay 100 Tab Tab
xdotool key --delay 100 ctrl+Home
xdotool type --delay 20 "1 pinch of saffron"
xdotool key --delay 100 alt+s
sleep 1
if grep -qs "saffron" recipes.xml; then fail "Save Changes wrote recipes.xml at once"; fi

kill -TERM "$app"
wait_for_exit "$app"
[ "$exit_status" -eq 0 ] || fail "savrona ended with $exit_status after SIGTERM"
grep -q "1 pinch of saffron" recipes.xml || fail "recipes.xml lacks the saved change"
echo "end-to-end: SIGTERM ended savrona with its saved change written"
