#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Savrona in the
# user's data folder (the first argument, or ~/.local/share/Savrona).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

"$here/scripts/deps.sh"
(cd "$here" && cmake --preset release >/dev/null && cmake --build --preset release --target savrona)

data_folder="${1:-$HOME/.local/share/Savrona}"
mkdir -p "$data_folder"
data_folder="$(cd "$data_folder" && pwd)"
echo "Savrona keeps its data files in: $data_folder"
cd "$data_folder"
exec "$here/build-release/src/savrona"
