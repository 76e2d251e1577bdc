#!/usr/bin/env bash
# Installs what is missing on Debian 12, using sudo when not run as root.
#
#   scripts/setup.sh           what building and running the window needs
#   scripts/setup.sh package   that, and what building the Debian package needs
#   scripts/setup.sh test      that, and the test toolchain
set -euo pipefail
group=${1:-run}

# Compiler and build tools (Qt's CMake files look modules up with pkg-config),
# Qt with its platform plugins, rsvg-convert for the icon's PNG sizes.
# libspng for the PNG pictures korvane-cli writes.
packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev libgl-dev librsvg2-bin libspng-dev)

case $group in
run) ;;
package | test)
    # dpkg-shlibdeps computes the package's dependencies; CPack finds the
    # executables to examine with file.
    packages+=(dpkg-dev file)
    ;;
*)
    echo "usage: $0 [package|test]" >&2
    exit 2
    ;;
esac

if [[ $group == test ]]; then
    packages+=(
        # scripts/fuzz.sh: libFuzzer
        clang libclang-rt-14-dev
        # tests/window: the real window under Xvfb, with its own D-Bus session
        # and accessibility bus, driven by xdotool, checked on xwd screenshots
        # read by ImageMagick and on the window's properties (xprop); xauth for
        # xvfb-run, which starts the window without a display (README)
        xvfb xauth xdotool x11-apps x11-utils imagemagick python3 dbus-daemon at-spi2-core
        python3-pyatspi
        # tests/browser: the gallery's page in headless Chromium
        chromium
        # tests/install and scripts/package.sh: validators of the installed files;
        # the MIME database, its queries and the thumbnail service a file
        # manager asks, over D-Bus from Python
        desktop-file-utils appstream groff-base lintian
        shared-mime-info libglib2.0-bin xdg-utils tumbler python3-gi gir1.2-gdkpixbuf-2.0
    )
fi

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
