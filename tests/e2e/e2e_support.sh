# Shared by the end-to-end scripts: sourced after `set -euo pipefail`, with the
# path of savrona in $savrona. Re-runs the calling script inside a virtual X
# server of its own, makes a scratch folder (removed at exit) with an empty
# data folder as the current directory, and gives helpers to wait for and
# drive savrona's windows.

# With SAVRONA_E2E_ACCESSIBILITY=1 set before it is sourced, the script runs
# inside a D-Bus session of its own too, and savrona joins its accessibility
# bus, for scripts that read the windows through AT-SPI.
# The server's number is looked for from a random start: the server of the
# script before may still be on its way out of the first free number.
if [ -z "${SAVRONA_E2E_DISPLAY_READY:-}" ]; then
    display=(xvfb-run -a -n "$((100 + RANDOM % 800))" -s "-screen 0 1024x768x24")
    if [ -n "${SAVRONA_E2E_ACCESSIBILITY:-}" ]; then
        SAVRONA_E2E_DISPLAY_READY=1 exec dbus-run-session -- "${display[@]}" "$0" "$@"
    fi
    SAVRONA_E2E_DISPLAY_READY=1 exec "${display[@]}" "$0" "$@"
fi
# The server answers before anything is started on it.
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
e2e_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/data" "$scratch/config"
cd "$scratch/data"

export XDG_CONFIG_HOME="$scratch/config"
export XDG_STATE_HOME="$scratch/state"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true
if [ -n "${SAVRONA_E2E_ACCESSIBILITY:-}" ]; then
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi

# Waits until savrona shows exactly count windows (the main window, plus a
# menu, a dialog or a message box while one is open), at most ten seconds.
wait_for_windows() {
    local count="$1" shown=0
    for _ in $(seq 1 100); do
        shown="$(xdotool search --onlyvisible --class savrona 2>/dev/null | wc -l || true)"
        [ "$shown" -eq "$count" ] && return 0
        sleep 0.1
    done
    echo "expected $count windows of savrona, saw $shown" >&2
    return 1
}

# Prints the id of the visible window whose whole name matches, waiting up
# to ten seconds for it.
window_named() {
    local name="$1" window=""
    for _ in $(seq 1 100); do
        window="$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n 1 || true)"
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        sleep 0.1
    done
    echo "no window named '$name' appeared" >&2
    return 1
}

# Gives a window the keyboard; without a window manager nothing else does.
focus() {
    xdotool windowfocus --sync "$1"
    sleep 0.5
}

# The main window, focused, once its tree is built.
focus_main_window() {
    local window
    window="$(window_named ' Savrona v1.0')"
    focus "$window"
}

# File, Exit, from the focused main window.
# Adds a category through the root's context menu and its dialog, with the
# tree focused. The item's access key "c" is shared with "Change recipe
# category", so it only highlights the item; Return chooses it.
add_category_through_root_menu() {
    xdotool key --delay 100 Home
    xdotool key --delay 100 Menu
    wait_for_windows 2
    sleep 0.3
    xdotool key --delay 100 c Return
    sleep 0.3
    wait_for_windows 2
    sleep 0.5
    xdotool type --delay 20 "$1"
    xdotool key --delay 100 Return
    wait_for_windows 1
}

quit_through_file_menu() {
    xdotool key --delay 100 alt+f
    wait_for_windows 2
    sleep 0.3
    xdotool key --delay 100 x
}

# Focuses the main window, opens the find window with Ctrl+F, types the query
# and chooses the first result with Return; prints the main window's id.
find_through_the_find_window() {
    local query="$1" main find
    main="$(window_named ' Savrona v1.0')" || return 1
    xdotool windowfocus --sync "$main"
    sleep 0.5
    xdotool key --delay 100 ctrl+f
    find="$(window_named 'Find Recipes')" || return 1
    # Without a window manager nothing gives the new window the focus.
    xdotool windowfocus --sync "$find"
    sleep 0.3
    xdotool type --delay 60 "$query"
    sleep 0.5
    xdotool key --delay 100 Return
    sleep 1
    echo "$main"
}

# Starts savrona (the path in $savrona) on the accessibility bus, which is
# started first so that the program joins it as it starts, and runs the
# script's drive function; then savrona must end cleanly. A drive that fails
# ends the program and the script with its status.
drive_savrona_on_the_accessibility_bus() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null
    "$savrona" &
    local app=$!
    local status=0
    drive || status=$?
    if [ "$status" -ne 0 ]; then
        kill "$app" 2>/dev/null || true
        wait "$app" 2>/dev/null || true
        exit "$status"
    fi
    wait_for_exit "$app" || fail "savrona did not exit after File, Exit"
    [ "$exit_status" -eq 0 ] || fail "savrona exited with an error"
}

# Waits up to ten seconds for a process started by the script to end, and
# sets exit_status to its exit status.
wait_for_exit() {
    local pid="$1"
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        echo "savrona did not end" >&2
        return 1
    fi
    exit_status=0
    wait "$pid" || exit_status=$?
}

# Fails unless savrona's windows, read through AT-SPI, show every name given; tried for
# up to ten seconds while the program registers and redraws.
expect_names_on_screen() {
    /usr/bin/python3 - "$e2e_dir" "$@" <<'PYTHON'
import sys
import time
sys.path.insert(0, sys.argv.pop(1))
from savrona_atspi import savrona_names as shown

wanted = sys.argv[1:]
names = []
for attempt in range(50):
    names = shown()
    if all(name in names for name in wanted):
        sys.exit(0)
    time.sleep(0.2)
sys.exit("wanted %r; savrona shows %r" % (wanted, [name for name in names if name][-60:]))
PYTHON
}

# Writes a small cookbook in Savrona's own layout into the folder $1: the categories
# Soups (ID 1) and Breads (ID 2), and a recipe for each further argument, given as the
# attributes of its row ('f1="1" f2="1" f3="Barley Broth" f4="barley" f5="Simmer."').
write_small_cookbook() {
    local folder="$1" row
    shift
    cat >"$folder/categories.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<savrona-data version="2">
  <fields>
    <field name="ID" type="integer"/>
    <field name="SubID" type="integer"/>
    <field name="Category" type="text" width="125"/>
  </fields>
  <rows>
    <row f1="1" f2="0" f3="Soups"/>
    <row f1="2" f2="0" f3="Breads"/>
  </rows>
</savrona-data>
XML
    {
        cat <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<savrona-data version="2">
  <fields>
    <field name="ID" type="integer"/>
    <field name="CategoryID" type="integer"/>
    <field name="Title" type="text" width="255"/>
    <field name="Ingredients" type="memo"/>
    <field name="Preparation" type="memo"/>
    <field name="servings" type="text" width="255"/>
    <field name="Notes" type="text" width="255"/>
    <field name="Picture" type="text" width="255"/>
  </fields>
  <rows>
XML
        for row in "$@"; do
            echo "    <row $row/>"
        done
        printf '  </rows>\n</savrona-data>\n'
    } >"$folder/recipes.xml"
}

fail() {
    echo "$*" >&2
    exit 1
}
