#!/usr/bin/env bash
# End to end: a recipe chosen through the find window, its card opened with Ctrl+K, its
# servings doubled with the card's 2× button (pressed through AT-SPI), and the doubled
# ingredient line read through AT-SPI; the stored recipe keeps its own amounts.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

drive() {
    local main card
    main="$(find_through_the_find_window "Fluffy Buttermilk")" || return 1
    xdotool key --delay 100 Escape
    sleep 0.3
    focus "$main"
    xdotool key --delay 100 ctrl+k
    card="$(window_named 'Fluffy Buttermilk Pancakes - Recipe card')" || return 1
    focus "$card"
    expect_names_on_screen "2 cups all-purpose flour" || return 1
    /usr/bin/python3 "$here/savrona_atspi.py" press "Double the servings" ||
        fail "the card has no button to double the servings"
    expect_names_on_screen "4 cups all-purpose flour" "1 teaspoon salt" || return 1
    xdotool key --delay 100 ctrl+w
    sleep 0.5
    focus "$main"
    quit_through_file_menu
}

drive_savrona_on_the_accessibility_bus
grep -q "2 cups all-purpose flour" recipes.xml || fail "the stored ingredients changed"
echo "end-to-end: the recipe card doubled the servings"
