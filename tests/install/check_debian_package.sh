#!/usr/bin/env bash
# Makes the Debian package of a build with cpack and checks what it holds:
# the program, the desktop entry, the icons and the metainfo under /usr, and
# its dependencies.
#   $1 the build folder, $2 the version, $3 ON to compute the dependencies
#   from the linked libraries (as the release package does), OFF to skip that
set -euo pipefail
build="$1"
version="$2"
compute_dependencies="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB -B "$scratch" --config "$build/CPackConfig.cmake" \
    -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS="$compute_dependencies" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
package="$scratch/savrona_${version}_$(dpkg --print-architecture).deb"
[ -f "$package" ] || fail "no $(basename "$package"): $(ls "$scratch")"

files="$(dpkg-deb -c "$package" | awk '{ print $NF }')"
for file in ./usr/bin/savrona ./usr/share/applications/savrona.desktop \
    ./usr/share/metainfo/com.keltrim.savrona.metainfo.xml \
    ./usr/share/icons/hicolor/16x16/apps/savrona.png \
    ./usr/share/icons/hicolor/32x32/apps/savrona.png \
    ./usr/share/icons/hicolor/128x128/apps/savrona.png \
    ./usr/share/icons/hicolor/scalable/apps/savrona.svg; do
    grep -qxF "$file" <<<"$files" || fail "the package lacks $file"
done

depends="$(dpkg-deb -f "$package" Depends)"
needed=(qt6-qpa-plugins)
if [ "$compute_dependencies" = ON ]; then
    needed+=(libqt6widgets6 libqt6printsupport6 libqt6svg6 libpugixml1v5)
fi
for dependency in "${needed[@]}"; do
    grep -qE "(^|, )$dependency( |,|$)" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
echo "$(basename "$package"): $(wc -l <<<"$files") entries; Depends: $depends"
