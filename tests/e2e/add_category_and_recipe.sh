#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb in a scratch folder, adds a
# category and a recipe with the keyboard, quits through File, Exit, and checks
# that both data files hold the new records.
set -euo pipefail

savrona="$1"

source "$(dirname "$0")/e2e_support.sh"

category="Zucchini Ideas"
title="Grilled Zucchini Boats"

drive() {
    local window
    window="$(window_named ' Savrona v1.0')"
    focus "$window"

    # Select the root in the tree (it has the focus) and add the category.
    add_category_through_root_menu "$category"
    sleep 0.5
    # Without a window manager nothing gives the main window back its
    # activation when the dialog closes, and its shortcuts need it.
    xdotool windowfocus --sync "$window"
    sleep 0.3

    # The new category sorts last: select it, type the recipe and add it.
    xdotool key --delay 100 End
    sleep 0.3
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "$title"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "2 zucchini"
    xdotool key --delay 100 Return
    xdotool type --delay 20 "1 cup ricotta"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "Fill and grill for 10 minutes."
    xdotool key --delay 100 alt+a
    sleep 1.5

    quit_through_file_menu
}

"$savrona" &
app=$!
status=0
drive || status=$?
for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    kill "$app"
    echo "savrona did not exit after File, Exit" >&2
    exit 1
fi
wait "$app" || { echo "savrona exited with an error" >&2; exit 1; }
[ "$status" -eq 0 ] || exit "$status"

grep -q "$category" categories.xml || { echo "categories.xml lacks the new category" >&2; exit 1; }
grep -q "$title" recipes.xml || { echo "recipes.xml lacks the new recipe" >&2; exit 1; }
grep -q "ricotta" recipes.xml || { echo "recipes.xml lacks the new ingredients" >&2; exit 1; }
echo "end-to-end: category and recipe added and saved"
