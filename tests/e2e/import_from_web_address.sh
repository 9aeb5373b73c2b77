#!/usr/bin/env bash
# End to end: a web server on the loopback address serves a recipe page; its address is
# typed into Cookbook, Import from web address... (Ctrl+Shift+V), the summary confirmed,
# and the new category is read in the tree through AT-SPI and the recipe in recipes.xml
# after File, Exit. Prints the time from pressing Import to the summary for one page and
# for twenty.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

# The server lives as long as its standard input stays open.
port_file="$scratch/port"
sleep 600 | /usr/bin/python3 "$here/../support/test_web_server.py" >"$port_file" &
server=$!
trap 'kill "$server" 2>/dev/null || true; pkill -P $$ sleep 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 1 100); do
    [ -s "$port_file" ] && break
    sleep 0.1
done
port="$(head -n 1 "$port_file")"
[ -n "$port" ] || fail "the web server did not start"

milliseconds() {
    echo $(($(date +%s%N) / 1000000))
}

# Opens the dialog with Ctrl+Shift+V, types the addresses and presses Import; prints how
# long the summary took to show.
import_addresses() {
    local main="$1" started dialog
    shift
    focus "$main"
    xdotool key --delay 100 ctrl+shift+v
    dialog="$(window_named 'Import from web address')" || return 1
    focus "$dialog"
    for address in "$@"; do
        xdotool type --delay 5 "$address"
        xdotool key --delay 20 Return
    done
    started="$(milliseconds)"
    xdotool key --delay 0 alt+i
    window_named 'Import recipes' >/dev/null || return 1
    echo $(($(milliseconds) - started))
}

drive() {
    local main one twenty summary
    main="$(window_named ' Savrona v1.0')" || return 1

    one="$(import_addresses "$main" "http://127.0.0.1:$port/pie.html")" || return 1
    summary="$(window_named 'Import recipes')" || return 1
    focus "$summary"
    xdotool key --delay 100 Return
    wait_for_windows 1 || return 1
    expect_names_on_screen "Desserts" || return 1

    local addresses=()
    for number in $(seq 1 20); do
        addresses+=("http://127.0.0.1:$port/pie.html?page=$number")
    done
    twenty="$(import_addresses "$main" "${addresses[@]}")" || return 1
    summary="$(window_named 'Import recipes')" || return 1
    focus "$summary"
    xdotool key --delay 100 Escape
    wait_for_windows 1 || return 1

    echo "end-to-end: from Import to the summary: one page $one ms, twenty pages $twenty ms"
    focus "$main"
    quit_through_file_menu
}

drive_savrona_on_the_accessibility_bus
grep -q "Shoofly Pie" recipes.xml || fail "recipes.xml lacks the imported recipe"
grep -q "1 cup molasses" recipes.xml || fail "recipes.xml lacks the imported ingredients"
echo "end-to-end: a recipe imported from its web address"
