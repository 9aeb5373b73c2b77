#!/usr/bin/env bash
# End to end: two recipes that both take large eggs added to the shopping list from the
# tree's context menu; the list window shows one merged line (read through AT-SPI); after
# File, Exit and a new start the list is as it was, and Shopping list.txt holds it.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

# Selects the recipe through the find window, then Add to shopping list from the tree's
# context menu, by its access key.
add_to_list() {
    local main
    main="$(find_through_the_find_window "$1")" || return 1
    xdotool key --delay 100 Escape
    sleep 0.3
    focus "$main"
    xdotool key --delay 100 Menu
    wait_for_windows 2 || return 1
    sleep 0.3
    xdotool key --delay 100 a
    wait_for_windows 1 || return 1
}

open_list() {
    focus "$(window_named ' Savrona v1.0')"
    xdotool key --delay 100 alt+c
    wait_for_windows 2 || return 1
    sleep 0.3
    xdotool key --delay 100 s
    window_named 'Shopping list' >/dev/null || return 1
}

quit_from_main() {
    focus "$(window_named ' Savrona v1.0')"
    xdotool key --delay 100 alt+f
    sleep 0.5
    xdotool key --delay 100 x
}

first_run() {
    add_to_list "Fluffy Buttermilk" || return 1
    add_to_list "Spinach and Feta" || return 1
    open_list || return 1
    expect_names_on_screen "6 large eggs" || return 1
    quit_from_main
}

second_run() {
    open_list || return 1
    expect_names_on_screen "6 large eggs" || return 1
    quit_from_main
}

drive() { first_run; }
drive_savrona_on_the_accessibility_bus
grep -q "6 large eggs" "Shopping list.txt" || fail "Shopping list.txt lacks the merged line"
drive() { second_run; }
drive_savrona_on_the_accessibility_bus
echo "end-to-end: the shopping list merged two recipes' eggs and was there after a restart"
