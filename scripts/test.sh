#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}

"$root/scripts/build.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2

# Sanitizer suite and fuzzing: in CI (CI=true) or when KORVANE_FULL_CHECK=1,
# after the normal tests, so that a quick local run stays quick.
if [[ "${CI:-}" == "true" || "${KORVANE_FULL_CHECK:-}" == "1" ]]; then
    "$root/scripts/test-sanitizers.sh"
    "$root/scripts/fuzz.sh" 30
fi
