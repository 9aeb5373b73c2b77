#!/usr/bin/env bash
# End to end: a second savrona started on a data folder that one already has
# open says so and ends without touching the files; the first goes on, saves
# at exit and gives the folder free again. A lock file left empty is taken
# over without a word; a named pipe in its place is named, never waited on.
set -euo pipefail
savrona="$1"
source "$(dirname "$0")/e2e_support.sh"

# As a power cut between creating the lock file and writing it leaves it.
: >.savrona.lock
"$savrona" &
first=$!
focus_main_window

files_before="$(ls -A)"
"$savrona" &
second=$!
box="$(window_named 'Warning')"
focus "$box"
xdotool key --delay 100 Return
wait_for_exit "$second"
[ "$exit_status" -eq 1 ] || fail "the second copy ended with $exit_status, not 1"
[ "$(ls -A)" = "$files_before" ] || fail "the second copy changed the data folder"

# The first copy is still there and saves its cookbook at exit.
focus_main_window
quit_through_file_menu
wait_for_exit "$first"
[ "$exit_status" -eq 0 ] || fail "the first copy ended with $exit_status"
[ -s recipes.xml ] && [ -s categories.xml ] || fail "the first copy did not save"
[ ! -e .savrona.lock ] || fail "the lock file stayed after the exit"

mkfifo .savrona.lock
"$savrona" &
third=$!
box="$(window_named 'Warning')"
focus "$box"
xdotool key --delay 100 Return
wait_for_exit "$third"
[ "$exit_status" -eq 1 ] || fail "the copy that found a named pipe ended with $exit_status, not 1"
[ -p .savrona.lock ] || fail "the named pipe in the lock file's place was removed"
rm .savrona.lock

# On a read-only folder no lock can be taken: both copies run, each saying
# once, before its window shows, that nothing will be saved. A read-only bind
# mount stands for the folder, since root writes past permission bits; where
# no mount namespace can be had, this part is left out.
start_read_only() {
    unshare -m sh -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && cd "$1" &&
                      exec "$2"' sh "$PWD" "$savrona" &
}
if unshare -m sh -c 'mount --bind "$1" "$1"' sh "$PWD" 2>/dev/null; then
    for copy in 1 2; do
        start_read_only
        pids[copy]=$!
        box="$(window_named 'Warning')"
        [ "$(xdotool search --onlyvisible --class savrona | wc -l)" -eq "$copy" ] ||
            fail "copy $copy showed its main window before the read-only warning"
        focus "$box"
        xdotool key --delay 100 Return
        wait_for_windows "$copy"
    done
    for copy in 1 2; do
        kill -TERM "${pids[copy]}"
        wait_for_exit "${pids[copy]}"
        [ "$exit_status" -eq 0 ] || fail "read-only copy $copy ended with $exit_status"
    done
else
    echo "no mount namespace: the read-only folder is left out" >&2
fi
echo "end-to-end: a second copy on the same cookbook was turned away"
