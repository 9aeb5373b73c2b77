#!/usr/bin/env bash
# Starts Savrona on a virtual X display in a scratch folder (its own data and
# settings, never the user's), selects a recipe with the keyboard and writes
# a PNG of the window: docs/screenshot.png, or the path given.
#   SAVRONA_BUILD  build folder to take savrona from (default build-window-release,
#                  configured and built as a release build when missing)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ "${1:-}" = "--on-display" ]; then
    # Second stage, inside xvfb-run: $2 the program, $3 the PNG.
    program="$2"
    picture="$3"
    "$program" &
    savrona=$!
    trap 'kill "$savrona" 2>/dev/null || true' EXIT
    window="$(xdotool search --sync --onlyvisible --name 'Savrona v1.0' | head -n 1)"
    xdotool windowfocus --sync "$window"
    # The tree has the focus: the root, the first category, open it, its first recipe.
    for key in Home Down Right Down; do
        xdotool key --window "$window" "$key"
        sleep 0.3
    done
    sleep 1
    import -window "$window" "$picture"
    exit 0
fi

build="${SAVRONA_BUILD:-$here/build-window-release}"
picture="$(realpath -m "${1:-$here/docs/screenshot.png}")"
if [ ! -x "$build/src/savrona" ]; then
    (cd "$here" && cmake --preset release -B "$build" >/dev/null)
    cmake --build "$build" --target savrona
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data"
export XDG_CONFIG_HOME="$scratch/config"
export XDG_RUNTIME_DIR="$scratch"
cd "$scratch/data"
xvfb-run -a -s "-screen 0 1024x768x24" "$here/scripts/screenshot.sh" --on-display \
    "$build/src/savrona" "$picture"
echo "Wrote $picture"
