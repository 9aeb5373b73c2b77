#!/usr/bin/env bash
# End to end: the cookbook's folder is removed from outside while savrona runs.
# Adding a category then shows one message, that the folder is gone, and the
# tree still shows the cookbook (read through AT-SPI); File, Exit asks instead
# of quitting, and once the folder is made again Try Again writes both data
# files there, whole.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

data="$PWD"
category="Zucchini Ideas"

# A small cookbook in Savrona's own layout: two categories, two recipes.
write_small_cookbook "$data" 'f1="1" f2="1" f3="Barley Broth" f4="barley" f5="Simmer."' \
    'f1="2" f2="2" f3="Rye Loaf" f4="rye flour" f5="Bake."'

# Fails unless savrona's windows, read through AT-SPI, show every name given
# and a text holding the last argument (nothing to look for when empty);
# tried for up to ten seconds while the program registers and redraws.
expect_on_screen() {
    /usr/bin/python3 - "$here" "$@" <<'PYTHON'
import sys
import time
sys.path.insert(0, sys.argv.pop(1))
from savrona_atspi import savrona_names as shown

wanted, part = sys.argv[1:-1], sys.argv[-1]
names = []
for attempt in range(50):
    names = shown()
    if all(name in names for name in wanted) and any(part in name for name in names):
        sys.exit(0)
    time.sleep(0.2)
sys.exit("wanted %r and a text holding %r; savrona shows %r" % (wanted, part, names))
PYTHON
}

drive() {
    local main box question
    main="$(window_named ' Savrona v1.0')" || return 1
    focus "$main"
    expect_on_screen "Soups" "Breads" "2 Categories with 2 recipes" "" || return 1

    # Removed from outside; the script's own current directory goes with it.
    cd "$scratch"
    rm -rf "$data"

    # The root's context menu, Add new category, its dialog.
    xdotool key --delay 100 Home
    xdotool key --delay 100 Menu
    wait_for_windows 2 || return 1
    sleep 0.3
    xdotool key --delay 100 c Return
    sleep 0.3
    wait_for_windows 2 || return 1
    sleep 0.5
    xdotool type --delay 20 "$category"
    xdotool key --delay 100 Return

    # One box, not two stacked, and the tree as it is in memory behind it.
    box="$(window_named 'Savrona v1.0')" || return 1
    sleep 1.5
    wait_for_windows 2 || return 1
    expect_on_screen "Soups" "Breads" "$category" "3 Categories with 2 recipes" \
        "is gone (moved or deleted). Your recipes are safe in memory" || return 1
    focus "$box"
    xdotool key --delay 100 Return
    wait_for_windows 1 || return 1

    # File, Exit while the folder is gone: the question, not the end.
    focus "$main"
    quit_through_file_menu
    question="$(window_named 'Savrona v1.0')" || return 1
    sleep 1
    kill -0 "$app" 2>/dev/null || { echo "savrona quit with its folder gone" >&2; return 1; }
    expect_on_screen "Save Elsewhere saves the whole cookbook" || return 1

    # The folder made again at its path; Try Again is the default answer.
    mkdir "$data"
    focus "$question"
    xdotool key --delay 100 Return
}

# The accessibility bus is started first, so that the program joins it as it starts.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null
"$savrona" &
app=$!
status=0
drive || status=$?
wait_for_exit "$app" || fail "savrona did not end after Try Again"
[ "$status" -eq 0 ] || exit "$status"
[ "$exit_status" -eq 0 ] || fail "savrona ended with $exit_status"

# Both files whole in the folder made again: every row, the new category too.
/usr/bin/python3 - "$data" "$category" <<'PYTHON'
import sys
import xml.etree.ElementTree as ElementTree

folder, category = sys.argv[1:3]
categories = [row.get("f3") for row in ElementTree.parse(folder + "/categories.xml").iter("row")]
recipes = [row.get("f3") for row in ElementTree.parse(folder + "/recipes.xml").iter("row")]
if sorted(categories) != sorted(["Soups", "Breads", category]):
    sys.exit("categories.xml holds %r" % categories)
if sorted(recipes) != ["Barley Broth", "Rye Loaf"]:
    sys.exit("recipes.xml holds %r" % recipes)
PYTHON
echo "end-to-end: the folder deleted, one message, the tree kept, saved where it was made again"
