#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, only when
# something is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev libgl-dev
    libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool imagemagick dbus-x11 x11-utils
    x11-apps python3 dbus-daemon at-spi2-core python3-pyatspi
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
