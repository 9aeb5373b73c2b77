#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb, with a D-Bus session of its
# own for the accessibility bus, in a scratch folder on the initial cookbook,
# on a fresh X server whose clipboard and selection nobody owns. Selects a
# recipe through the find window, presses Alt+Q in the title box, then Ctrl+V,
# Shift+Insert and the middle button in the ingredients box: the program must
# stay up, the texts unchanged, and Ctrl+V still counts as a key typed (Save
# Changes enabled). Quits through File, Exit.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

SAVRONA_E2E_ACCESSIBILITY=1
source "$(dirname "$0")/e2e_support.sh"

title="Classic Lasagna"

# Reads the details pane through AT-SPI, tried for up to five seconds while
# the program registers. With "state", prints the title, the ingredients (as
# Python literals, one a line) and whether Save Changes is enabled; with the
# name of a box, prints the screen point at the middle of its top line.
read_main_window() {
    /usr/bin/python3 - "$1" <<'PYTHON'
import sys
import time
import pyatspi

BOXES = ("Recipe title", "Necessary ingredients")

def walk(accessible, depth=0):
    if accessible is None or depth > 40:
        return
    yield accessible
    for index in range(accessible.childCount):
        yield from walk(accessible.getChildAtIndex(index), depth + 1)

def main_window_parts():
    found = {}
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != "Savrona":
            continue
        for accessible in walk(application):
            role = accessible.getRole()
            if accessible.name in BOXES and role == pyatspi.ROLE_TEXT:
                found.setdefault(accessible.name, accessible)
            elif accessible.name == "Save Changes" and role == pyatspi.ROLE_PUSH_BUTTON:
                found.setdefault(accessible.name, accessible)
    return found

def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)

for attempt in range(50):
    parts = main_window_parts()
    if len(parts) == 3:
        break
    time.sleep(0.1)
if len(parts) != 3:
    sys.exit("the main window's boxes are not on the accessibility bus: %s" % sorted(parts))
if sys.argv[1] == "state":
    print(repr(text_of(parts["Recipe title"])))
    print(repr(text_of(parts["Necessary ingredients"])))
    enabled = parts["Save Changes"].getState().contains(pyatspi.STATE_SENSITIVE)
    print("Save Changes enabled" if enabled else "Save Changes disabled")
else:
    extents = parts[sys.argv[1]].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    print(extents.x + extents.width // 2, extents.y + 8)
PYTHON
}

# Puts the caret in a box of the main window with a click of the left button.
click_into() {
    local point
    point="$(read_main_window "$1")" || return 1
    # shellcheck disable=SC2086 # the point is two numbers
    xdotool mousemove --sync $point click 1
    sleep 0.3
}

still_running() {
    kill -0 "$app" 2>/dev/null || { echo "savrona ended after $1" >&2; return 1; }
}

drive() {
    local main before after
    # The recipe, chosen through the find window.
    main="$(find_through_the_find_window "$title")" || return 1
    xdotool key --delay 100 Escape
    sleep 0.3
    xdotool windowfocus --sync "$main"
    sleep 0.3

    before="$(read_main_window state)" || return 1
    if [ "$(head -n 1 <<<"$before")" != "'$title'" ]; then
        echo "the details pane does not show $title:" >&2
        echo "$before" >&2
        return 1
    fi

    # No button or menu item owns Alt+Q: it types nothing.
    click_into "Recipe title" || return 1
    xdotool key --delay 100 alt+q
    still_running "Alt+Q" || return 1

    click_into "Necessary ingredients" || return 1
    xdotool key --delay 100 ctrl+v
    sleep 0.3
    still_running "Ctrl+V with an empty clipboard" || return 1
    xdotool key --delay 100 shift+Insert
    sleep 0.3
    still_running "Shift+Insert with an empty clipboard" || return 1
    xdotool click 2
    sleep 0.3
    still_running "a middle-button paste of an empty selection" || return 1

    after="$(read_main_window state)" || return 1
    local expected
    expected="$(head -n 2 <<<"$before")"$'\n'"Save Changes enabled"
    if [ "$after" != "$expected" ]; then
        echo "after the keys the details pane shows:" >&2
        echo "$after" >&2
        echo "instead of:" >&2
        echo "$expected" >&2
        return 1
    fi

    quit_through_file_menu
}

drive_savrona_on_the_accessibility_bus
echo "end-to-end: pastes of an empty clipboard and Alt+Q left '$title' as it was"
