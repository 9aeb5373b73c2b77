#!/usr/bin/env bash
# Builds a release build, generates a cookbook of 10,000 recipes in 100
# categories and one of 100,000 recipes in 1,000 categories, and prints one
# table of the performance figures for both:
#   - start-up timed from outside the process: savrona started under xvfb-run
#     with SAVRONA_QUIT_AFTER_STARTUP=1 prints "painted" once the tree and the
#     status bar are built and painted (then quits); the time from starting the
#     process to reading that line, the median of several runs, and the peak
#     memory of a whole run;
#   - every command from the click to the updated tree (a command with a
#     dialog also from the dialog's OK), to the window painted after it, and
#     until its change is on disk (the writes behind ended); a burst of 20
#     commands, and the peak memory of a process that ran them all
#     (bench/bench_commands, medians).
# Environment:
#   SAVRONA_BUILD   build folder (default build-scale-release)
#   SAVRONA_RUNS    runs per figure (default 7)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SAVRONA_BUILD:-$here/build-scale-release}"
runs="${SAVRONA_RUNS:-7}"

median() {
    sort -n | awk '{ values[NR] = $1 } END {
        if (NR % 2) print values[(NR + 1) / 2];
        else print (values[NR / 2] + values[NR / 2 + 1]) / 2 }'
}

# Milliseconds from process start to the painted tree, one run under a
# virtual display. The time is taken when the program's "painted" line
# arrives; the run is then left to quit.
time_start_up() {
    local folder="$1" start end
    start=$(date +%s%N)
    end=$( (cd "$folder" && SAVRONA_QUIT_AFTER_STARTUP=1 timeout 120 "$build/src/savrona" 2>/dev/null) |
        { read -r _ && date +%s%N; cat >/dev/null; })
    echo $(((end - start) / 1000000))
}

# Runs inside xvfb-run: prints "start-up (outside)|ms" and "start-up peak memory (MB)|MB".
if [ "${1:-}" = "--on-display" ]; then
    folder="$2"
    time_start_up "$folder" >/dev/null # warms the cache and the fonts
    for _ in $(seq "$runs"); do time_start_up "$folder"; done | median |
        sed 's/^/start-up, outside the process|/'
    /usr/bin/time -f '%M' -o "$folder.rss" \
        sh -c "cd '$folder' && SAVRONA_QUIT_AFTER_STARTUP=1 '$build/src/savrona' >/dev/null 2>&1"
    awk '{ printf "start-up peak memory (MB)|%.1f\n", $1 / 1024 }' "$folder.rss"
    exit 0
fi

(cd "$here" && cmake --preset release -B "$build" >/dev/null)
cmake --build "$build" --target savrona savrona-generate-cookbook bench_commands >/dev/null

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config"
# The program's settings go to the scratch folder, never the user's.
export XDG_CONFIG_HOME="$scratch/config"
export XDG_RUNTIME_DIR="$scratch"


declare -A figures
sizes=("10000 100" "100000 1000")
for size in "${sizes[@]}"; do
    read -r recipes categories <<<"$size"
    folder="$scratch/cookbook-$recipes"
    "$build/tools/savrona-generate-cookbook" "$folder" "$recipes" "$categories"
    while IFS='|' read -r name value; do
        figures["$name|$recipes"]="$value"
    done < <(
        xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$folder"
        SAVRONA_BENCH_ROUNDS="$runs" QT_QPA_PLATFORM=offscreen \
            "$build/bench/bench_commands" "$folder" 2>/dev/null
    )
done

names=("start-up, outside the process" "start-up to painted tree (in process)")
for command in "Add Recipe" "Delete Recipe" "Save Changes + next rebuild" "Add category" \
    "Rename category" "Delete category" "Move a recipe"; do
    names+=("$command")
    case "$command" in
    *category | "Move a recipe") [ "$command" = "Delete category" ] ||
        names+=("$command, after its dialog") ;;
    esac
    names+=("$command, painted" "$command, on disk")
done
names+=("burst of 20 Add Recipe, per command" "burst of 20 Add Recipe, all on disk"
    "data files (MB)" "start-up peak memory (MB)" "peak memory (MB)" "peak memory / data files")
printf '| %-40s | %28s | %30s |\n' "median of $runs runs, ms unless noted" \
    "10,000 recipes / 100 cat." "100,000 recipes / 1,000 cat."
printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..42})" "$(printf -- '-%.0s' {1..30})" \
    "$(printf -- '-%.0s' {1..32})"
for name in "${names[@]}"; do
    printf '| %-40s | %28s | %30s |\n' "$name" "${figures["$name|10000"]:-?}" \
        "${figures["$name|100000"]:-?}"
done
