#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb, with a D-Bus session of its
# own for the accessibility bus, in a scratch folder on the initial cookbook;
# opens the find window with Ctrl+F, types a query, chooses the first result
# with Enter, and reads the details pane through AT-SPI: it must show the
# recipe found, as a click in the tree would. Quits through File, Exit.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

SAVRONA_E2E_ACCESSIBILITY=1
source "$(dirname "$0")/e2e_support.sh"

query="MEDJOOL almon"
title="Bacon Wrapped Dates"
ingredient="24 pitted Medjool dates"

# The texts of the title box and the ingredients box, read through AT-SPI,
# one a line; tried for up to five seconds while the program registers.
read_details_pane() {
    /usr/bin/python3 - <<'PYTHON'
import sys
import time
import pyatspi

def walk(accessible, depth=0):
    if accessible is None or depth > 40:
        return
    yield accessible
    for index in range(accessible.childCount):
        yield from walk(accessible.getChildAtIndex(index), depth + 1)

def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)

def details_pane():
    found = {}
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != "Savrona":
            continue
        for accessible in walk(application):
            if accessible.name in ("Recipe title", "Necessary ingredients") and \
                    accessible.getRole() == pyatspi.ROLE_TEXT:
                found.setdefault(accessible.name, text_of(accessible))
    return found

for attempt in range(50):
    found = details_pane()
    if len(found) == 2:
        break
    time.sleep(0.1)
if len(found) != 2:
    sys.exit("the details pane's boxes are not on the accessibility bus: %s" % sorted(found))
print(found["Recipe title"])
print(found["Necessary ingredients"].splitlines()[0])
PYTHON
}

drive() {
    local main details
    # Each step's failure ends the drive: set -e does not reach into a function
    # called from a condition.
    main="$(find_through_the_find_window "$query")" || return 1

    details="$(read_details_pane)" || return 1
    if [ "$details" != "$(printf '%s\n%s' "$title" "$ingredient")" ]; then
        echo "the details pane shows, in title and first ingredient line:" >&2
        echo "$details" >&2
        return 1
    fi

    # The find window stays open until Escape; then File, Exit.
    xdotool key --delay 100 Escape
    sleep 0.3
    xdotool windowfocus --sync "$main"
    sleep 0.3
    quit_through_file_menu
}

drive_savrona_on_the_accessibility_bus
echo "end-to-end: found '$title' with Ctrl+F and saw it in the details pane"
