#!/usr/bin/env bash
# End to end: one cookbook shared by two computers through Syncthing. Two Syncthing
# instances on the loopback address carry two data folders, each with a savrona of its
# own. Both add a recipe at the same moment, one edits a recipe while the other deletes
# one; once the folders settle, both files hold the same cookbook with every change, no
# conflict copy is left unmerged, and both windows (read through AT-SPI) show the same
# totals. Then prints how long a recipe added on one computer takes to show on the other.
set -euo pipefail

savrona="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SAVRONA_E2E_ACCESSIBILITY=1
source "$here/e2e_support.sh"

command -v syncthing >/dev/null || fail "syncthing is not installed"
root="$scratch"
syncthings=()
savronas=()
stop_all() {
    for pid in "${savronas[@]}" "${syncthings[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${savronas[@]}" "${syncthings[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$root"
}
trap stop_all EXIT

for side in a b; do
    mkdir -p "$root/$side" "$root/syncthing-$side" "$root/config-$side" "$root/state-$side"
    # Savrona's lock file belongs to one computer.
    printf '.savrona.lock\n' >"$root/$side/.stignore"
done
# A small cookbook on the first computer; Syncthing carries it to the second before
# savrona starts there.
write_small_cookbook "$root/a" 'f1="1" f2="1" f3="Barley Broth" f4="barley" f5="Simmer."' \
    'f1="2" f2="1" f3="Pea Soup" f4="peas" f5="Simmer."' \
    'f1="3" f2="2" f3="Rye Loaf" f4="rye flour" f5="Bake."'

/usr/bin/python3 "$here/syncthing_pair.py" configure "$root/syncthing-a" "$root/a" \
    "$root/syncthing-b" "$root/b"
# One after the other: the second one's first call then finds the first listening, rather
# than both waiting out Syncthing's pause before it calls again.
for side in a b; do
    STNODEFAULTFOLDER=1 STNOUPGRADE=1 syncthing serve --home="$root/syncthing-$side" \
        --no-browser --no-restart --no-upgrade >"$root/syncthing-$side.log" 2>&1 &
    syncthings+=("$!")
    /usr/bin/python3 "$here/syncthing_pair.py" wait-up "$root/syncthing-$side" 60 ||
        fail "Syncthing $side did not start"
done
/usr/bin/python3 "$here/syncthing_pair.py" wait-synced "$root/syncthing-a" "$root/syncthing-b" 120 ||
    fail "the folders did not settle before savrona started"
for _ in $(seq 1 100); do
    cmp -s "$root/a/recipes.xml" "$root/b/recipes.xml" && break
    sleep 0.2
done
cmp -s "$root/a/recipes.xml" "$root/b/recipes.xml" || fail "the cookbook did not reach the second computer"

start_savrona() {
    (cd "$root/$1" && XDG_CONFIG_HOME="$root/config-$1" XDG_STATE_HOME="$root/state-$1" \
        exec "$savrona") &
    savronas+=("$!")
}

# The main window of the savrona with that process id.
main_of() {
    local window=""
    for _ in $(seq 1 100); do
        window="$(xdotool search --all --onlyvisible --pid "$1" --name '^ Savrona v1.0$' 2>/dev/null |
            head -n 1 || true)"
        [ -n "$window" ] && { echo "$window"; return 0; }
        sleep 0.1
    done
    fail "savrona $1 shows no main window"
}

status_of() {
    /usr/bin/python3 "$here/savrona_atspi.py" status "$1"
}

# Waits up to $3 seconds for that savrona's status bar to read $2.
wait_for_status() {
    local shown=""
    for _ in $(seq 1 "$(($3 * 5))"); do
        shown="$(status_of "$1")"
        [ "$shown" = "$2" ] && return 0
        sleep 0.2
    done
    fail "savrona $1 shows '$shown', not '$2'"
}

# Raised too: the two main windows stand at the same place.
focus_main() {
    local window
    window="$(main_of "$1")"
    xdotool windowraise "$window"
    focus "$window"
}

# Clicks the root of that savrona's tree: the tree has the focus, wherever it was.
click_tree_root() {
    local point
    point="$(/usr/bin/python3 "$here/savrona_atspi.py" tree-root-point "$1")" ||
        fail "savrona $1 shows no tree"
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    sleep 0.3
}

# Selects a category by typing its name in the tree, and types a new recipe into the
# details pane, leaving Alt+A to the caller.
type_new_recipe() {
    local pid="$1" category="$2" title="$3"
    focus_main "$pid"
    click_tree_root "$pid"
    xdotool key --delay 100 Home
    xdotool type --delay 60 "$category"
    sleep 0.5
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "$title"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "1 cup of $title"
    xdotool key --delay 100 Tab
    xdotool type --delay 20 "Cook it."
}

# Selects a recipe in that savrona's tree by typing its category's name, opening the
# category and typing the recipe's title; the tree keeps the focus.
select_recipe() {
    local pid="$1" category="$2" title="$3"
    focus_main "$pid"
    click_tree_root "$pid"
    xdotool key --delay 100 Home
    xdotool type --delay 60 "$category"
    sleep 0.6
    xdotool key --delay 100 Right
    sleep 0.6
    xdotool type --delay 60 "$title"
    sleep 0.6
    shot "chose-$title"
}

# With SAVRONA_E2E_SHOTS naming a folder, the screen is saved there at each step.
shot() {
    if [ -n "${SAVRONA_E2E_SHOTS:-}" ]; then
        import -window root "$SAVRONA_E2E_SHOTS/$1.png" || true
    fi
}

step() {
    echo "$(date +%T.%N | cut -c1-12) $*" >&2
}

start_savrona a
start_savrona b
a="${savronas[0]}"
b="${savronas[1]}"
wait_for_status "$a" "2 Categories with 3 recipes" 20
wait_for_status "$b" "2 Categories with 3 recipes" 20
step "both started"

# Both add a recipe at the same moment: each typed first, then added one after the other.
type_new_recipe "$a" "Soups" "Alpha Stew"
type_new_recipe "$b" "Breads" "Beta Buns"
shot 1-typed
focus_main "$a"
xdotool key --delay 100 alt+a
focus_main "$b"
xdotool key --delay 100 alt+a
shot 2-added

# One edits a recipe while the other deletes another.
select_recipe "$a" "Soups" "Barley"
xdotool key --delay 100 Tab Tab
xdotool key --delay 100 ctrl+End
xdotool type --delay 20 " and leeks"
xdotool key --delay 100 alt+s
shot 3-edited
select_recipe "$b" "Soups" "Pea"
xdotool key --delay 100 alt+d
sleep 0.8
shot 4-asked
xdotool key --delay 100 Return
sleep 0.5
shot 5-deleted

step "both changed the cookbook"

# Settled: the same bytes on both computers, every change there, no copy left unmerged.
settled=""
for _ in $(seq 1 300); do
    if cmp -s "$root/a/recipes.xml" "$root/b/recipes.xml" &&
        cmp -s "$root/a/categories.xml" "$root/b/categories.xml" &&
        grep -q 'Alpha Stew' "$root/a/recipes.xml" && grep -q 'Beta Buns' "$root/a/recipes.xml" &&
        grep -q 'barley and leeks' "$root/a/recipes.xml" &&
        ! grep -q 'Pea Soup' "$root/a/recipes.xml"; then
        settled=yes
        break
    fi
    sleep 0.2
done
if [ -z "$settled" ]; then
    for side in a b; do
        echo "--- $side:" >&2
        ls -la "$root/$side" >&2
        grep -o 'f3="[^"]*"' "$root/$side/recipes.xml" >&2 || true
    done
    fail "the two computers' cookbooks did not settle to the same content"
fi
/usr/bin/python3 "$here/syncthing_pair.py" wait-synced "$root/syncthing-a" "$root/syncthing-b" 60 ||
    fail "the folders did not settle"
for side in a b; do
    if ls "$root/$side" | grep -Eq 'sync-conflict|conflicted copy|\(conflict '; then
        ls -la "$root/$side" >&2
        fail "a conflict copy was left unmerged on computer $side"
    fi
done
wait_for_status "$a" "2 Categories with 4 recipes" 20
wait_for_status "$b" "2 Categories with 4 recipes" 20
step "settled"

# How long a recipe added on one computer takes to show on the other.
type_new_recipe "$a" "Breads" "Gamma Rolls"
focus_main "$a"
started="$(date +%s%N)"
xdotool key --delay 0 alt+a
wait_for_status "$b" "2 Categories with 5 recipes" 60
echo "end-to-end: a recipe added on one computer showed on the other after" \
    "$((($(date +%s%N) - started) / 1000000)) ms"

for pid in "$a" "$b"; do
    focus_main "$pid"
    xdotool key --delay 100 alt+f
    sleep 0.5
    xdotool key --delay 100 x
    wait_for_exit "$pid" || fail "savrona $pid did not exit after File, Exit"
    [ "$exit_status" -eq 0 ] || fail "savrona $pid exited with an error"
done
/usr/bin/python3 "$here/syncthing_pair.py" wait-synced "$root/syncthing-a" "$root/syncthing-b" 60 ||
    fail "the folders did not settle after the exits"
cmp -s "$root/a/recipes.xml" "$root/b/recipes.xml" || fail "recipes.xml differs after the exits"
grep -q 'Gamma Rolls' "$root/a/recipes.xml" || fail "the last recipe is missing"
echo "end-to-end: two computers sharing one cookbook through Syncthing converged"
