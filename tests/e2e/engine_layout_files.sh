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

# Run the rest inside a virtual X server and a session bus of its own.
if [ -z "${SAVRONA_E2E_DISPLAY_READY:-}" ]; then
    SAVRONA_E2E_DISPLAY_READY=1 exec dbus-run-session -- \
        xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1024x768x24" "$0" "$@"
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/data" "$scratch/config"
cd "$scratch/data"

export XDG_CONFIG_HOME="$scratch/config"
export QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORMTHEME || true

"$write_cookbook" .
# One category renamed in the file, so that the tree can only show it when
# it shows the file; it sorts last.
sed -i 's/Category="Appetizers"/Category="Zesty Engine Starters"/g' categories.xml
cp categories.xml categories.before
cp recipes.xml recipes.before

title="Grilled Zucchini Boats"

wait_for_windows() {
    local count="$1" shown
    for _ in $(seq 1 100); do
        shown="$(xdotool search --onlyvisible --class savrona 2>/dev/null | wc -l || true)"
        [ "$shown" -eq "$count" ] && return 0
        sleep 0.1
    done
    echo "expected $count windows of savrona, saw $shown" >&2
    return 1
}

drive() {
    local window
    for _ in $(seq 1 100); do
        window="$(xdotool search --onlyvisible --name ' Savrona v1.0' 2>/dev/null | head -n 1 || true)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "the main window did not appear" >&2
        return 1
    fi
    xdotool windowfocus --sync "$window"
    sleep 0.5

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

    # File, Exit.
    xdotool key --delay 100 alt+f
    wait_for_windows 2
    sleep 0.3
    xdotool key --delay 100 x
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

cmp -s categories.xml categories.before ||
    { echo "categories.xml changed though no category did" >&2; exit 1; }
/usr/bin/python3 "$here/engine_layout_files.py" recipes.before recipes.xml "$title"
echo "end-to-end: files of the engine's XML layout shown, a recipe added, written back in it"
