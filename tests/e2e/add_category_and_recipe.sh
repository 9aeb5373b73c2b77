#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb in a scratch folder, adds a
# category and a recipe with the keyboard, quits through File, Exit, and checks
# that both data files hold the new records.
set -euo pipefail

savrona="$1"

# Run the rest inside a virtual X server of its own.
if [ -z "${SAVRONA_E2E_DISPLAY_READY:-}" ]; then
    SAVRONA_E2E_DISPLAY_READY=1 exec xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1024x768x24" "$0" "$@"
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/data" "$scratch/config"
cd "$scratch/data"

export XDG_CONFIG_HOME="$scratch/config"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true

category="Zucchini Ideas"
title="Grilled Zucchini Boats"

# Waits until the program shows exactly count windows of its own (the main
# window, plus a menu or a dialog while one is open), at most ten seconds.
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

    # Select the root in the tree (it has the focus), open its context menu
    # and choose "Add new category".
    xdotool key --delay 100 Home
    # Its access key "c" is shared with "Change recipe category", so it only
    # highlights the item; Return chooses it.
    xdotool key --delay 100 Menu
    wait_for_windows 2
    sleep 0.3
    xdotool key --delay 100 c Return
    sleep 0.3
    wait_for_windows 2
    sleep 0.5
    xdotool type --delay 20 "$category"
    xdotool key --delay 100 Return
    wait_for_windows 1
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

grep -q "$category" categories.xml || { echo "categories.xml lacks the new category" >&2; exit 1; }
grep -q "$title" recipes.xml || { echo "recipes.xml lacks the new recipe" >&2; exit 1; }
grep -q "ricotta" recipes.xml || { echo "recipes.xml lacks the new ingredients" >&2; exit 1; }
echo "end-to-end: category and recipe added and saved"
