#!/usr/bin/env bash
# End to end: starts the real savrona under Xvfb in a scratch folder, imports a
# MealMaster file through Cookbook, Import recipes... (its path typed into Qt's
# file dialog), confirms the summary, quits through File, Exit, and checks that
# the data files hold the imported recipes and their new category.
#   SAVRONA_E2E_PICTURES  a folder to put a screenshot of each step in
set -euo pipefail

savrona="$1"

source "$(dirname "$0")/e2e_support.sh"
mkdir -p "$scratch/import"

# Two recipes in Windows-1252 (the e of Crème is the byte E8): one of a
# category the initial cookbook has, one of a category it lacks.
recipes="$scratch/import/old recipes.mmf"
printf '%s\r\n' \
    "MMMMM----- Recipe via Meal-Master (tm) v8.05" \
    "" \
    "      Title: Cr\xe8me Caramel Squares" \
    " Categories: Desserts and Cakes" \
    "      Yield: 12 squares" \
    "" \
    "      1 c  Sugar" \
    "      4    Eggs" \
    "" \
    "  Melt the sugar, beat in the eggs and bake." \
    "" \
    "MMMMM" \
    "" \
    "---------- Recipe via Meal-Master (tm) v8.02" \
    "      Title: Harvest Chutney" \
    " Categories: Preserves" \
    "" \
    "      2 lb Green tomatoes" \
    "" \
    "  Simmer for two hours." \
    "-----" | sed 's/\\xe8/\xe8/' > "$recipes"

picture() {
    if [ -n "${SAVRONA_E2E_PICTURES:-}" ]; then
        import -window root "$SAVRONA_E2E_PICTURES/$1.png"
    fi
}

drive() {
    local window
    window="$(window_named ' Savrona v1.0')"
    focus "$window"

    # Cookbook, Import recipes...: Qt's own file dialog, its file name box focused.
    xdotool key --delay 100 alt+c
    wait_for_windows 2
    sleep 0.3
    picture 1-cookbook-menu
    xdotool key --delay 100 i
    wait_for_windows 2
    sleep 1
    local dialog
    dialog="$(xdotool search --onlyvisible --name 'Import recipes' | head -n 1)"
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 20 "$recipes"
    sleep 0.3
    picture 2-file-dialog
    xdotool key --delay 100 Return

    # The summary: Import is its default button.
    sleep 1.5
    wait_for_windows 2
    picture 3-summary
    dialog="$(xdotool search --onlyvisible --name 'Import recipes' | head -n 1)"
    xdotool windowfocus --sync "$dialog"
    xdotool key --delay 100 Return
    wait_for_windows 1
    sleep 1
    picture 4-imported
    xdotool windowfocus --sync "$window"
    sleep 0.3

    quit_through_file_menu
}

"$savrona" &
app=$!
status=0
drive || status=$?
wait_for_exit "$app" || fail "savrona did not exit after File, Exit"
[ "$exit_status" -eq 0 ] || fail "savrona exited with an error"
[ "$status" -eq 0 ] || exit "$status"

grep -q "Crème Caramel Squares" recipes.xml || { echo "recipes.xml lacks the first recipe" >&2; exit 1; }
grep -q "Harvest Chutney" recipes.xml || { echo "recipes.xml lacks the second recipe" >&2; exit 1; }
grep -q "2 lb Green tomatoes" recipes.xml || { echo "recipes.xml lacks the ingredients" >&2; exit 1; }
grep -q "Preserves" categories.xml || { echo "categories.xml lacks the new category" >&2; exit 1; }
echo "end-to-end: MealMaster recipes imported and saved"
