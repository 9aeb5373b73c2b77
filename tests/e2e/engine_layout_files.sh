#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb in a folder holding the
# initial cookbook as a program built on the original engine keeps it (its
# XML data-packet layout, code page 1252, row states and change logs), reads
# the tree through the accessibility layer to see the files' categories, adds
# a recipe with the keyboard, quits, and reads both files back: recipes.xml
# rewritten in the same layout with the new recipe, categories.xml untouched.
set -euo pipefail

savrona="$1"
write_cookbook="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

"$write_cookbook" .
# One category renamed in the file, so that the tree can only show it when
# it shows the file; it sorts last.
sed -i 's/Category="Appetizers"/Category="Zesty Engine Starters"/g' categories.xml
cp categories.xml categories.before
cp recipes.xml recipes.before

title="Grilled Zucchini Boats"

drive() {
    focus_main_window || return 1

    # Debian's own Python, which python3-pyatspi serves.
    /usr/bin/python3 "$here/engine_layout_tree.py" "Zesty Engine Starters" "Appetizers" \
        "16 Categories with 125 recipes" || return 1

    # The renamed category sorts last: select it, type the recipe and add it.
    xdotool key --delay 100 Home
    xdotool key --delay 100 End
    sleep 0.3
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "$title"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "2 zucchini"
    xdotool key --delay 100 Return
    xdotool type --delay 20 "1 cup ricotta"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "Grill at 200 degrees."
    xdotool key --delay 100 alt+a
    sleep 1.5

    quit_through_file_menu
}

"$savrona" &
app=$!
status=0
drive || status=$?
wait_for_exit "$app" || fail "savrona did not exit after File, Exit"
[ "$exit_status" -eq 0 ] || fail "savrona exited with an error"
[ "$status" -eq 0 ] || exit "$status"

cmp -s categories.xml categories.before ||
    { echo "categories.xml changed though no category did" >&2; exit 1; }
/usr/bin/python3 "$here/engine_layout_files.py" recipes.before recipes.xml "$title"
echo "end-to-end: files of the engine's XML layout shown, a recipe added, written back in it"
