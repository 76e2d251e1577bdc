#!/usr/bin/env bash
# Builds and runs the benchmark program: every figure beside its floor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" -DKORVANE_BUILD_TESTS=ON
exec "$build/bench/korvane-bench" "$@"
