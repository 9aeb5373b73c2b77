#!/usr/bin/env bash
# End to end: Save Changes writes recipes.xml at once; SIGTERM (a logout, a
# shutdown, `kill`) then closes the window the normal way, with the exit's
# writes, and leaves the change on disk.
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
# Save Changes writes the table behind at once, as every command does.
for _ in $(seq 1 20); do
    grep -qs "saffron" recipes.xml && break
    sleep 0.1
done
grep -qs "saffron" recipes.xml || fail "Save Changes did not write recipes.xml at once"

kill -TERM "$app"
wait_for_exit "$app"
[ "$exit_status" -eq 0 ] || fail "savrona ended with $exit_status after SIGTERM"
grep -q "1 pinch of saffron" recipes.xml || fail "recipes.xml lacks the saved change"
echo "end-to-end: SIGTERM ended savrona with its saved change written"
