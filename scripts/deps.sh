#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Savrona need.
# Only missing packages are installed; apt-get runs as root, else through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
    libpugixml-dev libxml2-dev libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils at-spi2-core python3-pyatspi fonts-dejavu-core
    fonts-wine
    poppler-utils desktop-file-utils appstream dpkg-dev file
    dbus-daemon dbus-bin syncthing
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    apt_get=(apt-get)
else
    apt_get=(sudo apt-get)
fi
export DEBIAN_FRONTEND=noninteractive
"${apt_get[@]}" update -qq
"${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
