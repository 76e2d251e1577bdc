#!/usr/bin/env bash
# Builds Korvane Extractor and starts the window on the bundled demo data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}

# Only what is shipped: the tests are built by scripts/test.sh.
"$root/scripts/build.sh" -DKORVANE_BUILD_TESTS=OFF

demo="$build/demo"
if [[ ! -f "$demo/multicache.txt" ]]; then
    "$build/tools/demodata/korvane-demodata" "$demo"
fi

# The window reads "korvane.xml" beside its executable; a user's own file is
# never overwritten.
config="$build/src/korvane.xml"
if [[ ! -e "$config" ]]; then
    cp "$demo/korvane.xml" "$config"
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display found (DISPLAY is not set): start Korvane Extractor from a desktop session," >&2
    echo "or under a virtual one: xvfb-run -a $0 (package xvfb)" >&2
    exit 1
fi
exec "$build/src/korvane"
