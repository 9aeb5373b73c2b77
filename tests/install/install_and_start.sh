#!/usr/bin/env bash
# Installs a build into a scratch prefix and starts the installed program:
# --version, then the way the installed desktop entry starts it, which must
# open the cookbook in the user's data folder (created) and paint its window.
#   $1 the build folder
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for file in bin/savrona share/applications/savrona.desktop \
    share/metainfo/com.keltrim.savrona.metainfo.xml \
    share/icons/hicolor/16x16/apps/savrona.png share/icons/hicolor/32x32/apps/savrona.png \
    share/icons/hicolor/128x128/apps/savrona.png share/icons/hicolor/scalable/apps/savrona.svg; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done

version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/savrona" --version)"
[ "$version" = "Savrona 1.0" ] || fail "--version printed: $version"

# The menu's command line, run from a folder that is not the cookbook's.
exec_line="$(sed -n 's/^Exec=//p' "$prefix/share/applications/savrona.desktop")"
read -r -a command <<<"$exec_line"
[ "${command[0]}" = savrona ] || fail "the desktop entry runs ${command[0]}"
mkdir -p "$scratch/home" "$scratch/elsewhere"
painted="$(cd "$scratch/elsewhere" &&
    HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch" \
        QT_QPA_PLATFORM=offscreen SAVRONA_QUIT_AFTER_STARTUP=1 \
        timeout 60 "$prefix/bin/savrona" "${command[@]:1}")"
[ "$painted" = painted ] || fail "the program did not start: $painted"
[ -d "$scratch/home/.local/share/Savrona" ] || fail "the user's data folder was not created"
[ -z "$(ls -A "$scratch/elsewhere")" ] || fail "files written in the starting folder"
echo "installed and started: $version"
