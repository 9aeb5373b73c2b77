#!/usr/bin/env bash
# End to end: a write that fails (a file size limit stands in for a full
# disk) is reported, the exit asks to try again instead of quitting, and once
# the limit is lifted Try Again saves the recipe; SIGTERM while it asks ends
# the program after one more try.
set -euo pipefail
savrona="$1"
source "$(dirname "$0")/e2e_support.sh"

title="Rescued Rye Loaf"

# A soft limit of 16 KB, which the script may lift again: categories.xml fits,
# recipes.xml of the initial cookbook does not.
(ulimit -S -f 16 && exec "$savrona") &
app=$!

# The last category, a recipe of that title typed into it, Add Recipe, whose
# write fails; then File, Exit while it still fails: the question, not the end.
# Prints the question's window.
add_recipe_and_exit_on_a_failed_write() {
    focus_main_window
    xdotool key --delay 100 End
    sleep 0.3
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "$1"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "500 g rye flour"
    xdotool key --delay 100 alt+a
    focus "$(window_named 'Savrona v1.0')"
    xdotool key --delay 100 Return
    wait_for_windows 1
    focus_main_window
    quit_through_file_menu
    window_named 'Savrona v1.0'
}

question="$(add_recipe_and_exit_on_a_failed_write "$title")"
sleep 1
kill -0 "$app" 2>/dev/null || fail "savrona quit with a write that failed"
if grep -qs "$title" recipes.xml; then fail "the recipe was written under the limit"; fi

prlimit --pid "$app" --fsize=unlimited:unlimited
focus "$question"
xdotool key --delay 100 Return
wait_for_exit "$app"
[ "$exit_status" -eq 0 ] || fail "savrona ended with $exit_status"
grep -q "$title" recipes.xml || fail "recipes.xml lacks the recipe after Try Again"

# SIGTERM while the question is shown: one more try, then the end, the
# change lost since nobody is there to answer.
lost="Forsaken Fig Cake"
(ulimit -S -f 16 && exec "$savrona") &
app=$!
add_recipe_and_exit_on_a_failed_write "$lost" >/dev/null
kill -TERM "$app"
wait_for_exit "$app"
[ "$exit_status" -eq 0 ] || fail "savrona ended with $exit_status after SIGTERM at the question"
if grep -qs "$lost" recipes.xml; then fail "the recipe was written under the limit"; fi
echo "end-to-end: the failed write was kept and saved at the exit"
