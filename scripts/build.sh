#!/usr/bin/env bash
# Configures and builds into build/ (or $KORVANE_BUILD_DIR). Options given
# (-DNAME=VALUE) are applied to an existing build directory as well.
#
#   scripts/build.sh [-DKORVANE_BUILD_TESTS=OFF ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif [[ $# -gt 0 ]]; then
    cmake -S "$root" -B "$build" "$@" >/dev/null
fi
cmake --build "$build" --parallel
