#!/usr/bin/env bash
# Each layer under src/ includes only its own headers and those of the layers
# below it, named by their folder from src/: the include path alone would let
# a lower layer reach a higher one's header, so this check fails such an
# include as the build fails such a link.
#
#   check_layer_includes.sh <src folder>
set -euo pipefail
src="$1"
status=0

# Prints the quoted includes of a layer's files that name none of the allowed prefixes.
check() {
    local folder="$1"
    shift
    local allowed
    allowed="$(printf '%s\n' "$@" | paste -sd '|')"
    while IFS= read -r line; do
        echo "layering: $line" >&2
        status=1
    done < <(grep -rnE '^\s*#\s*include\s+"' "$src/$folder" --include='*.h' --include='*.cpp' |
        grep -vE "#\s*include\s+\"($allowed)")
}

check data 'data/' 'InitialCookbookPackets\.h'
check platform/seams 'platform/seams/'
check platform 'data/' 'platform/'
check cookbook 'data/' 'platform/seams/' 'cookbook/'
check ui 'data/' 'platform/' 'cookbook/' 'ui/'
exit $status
