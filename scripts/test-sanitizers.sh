#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $KORVANE_ASAN_BUILD_DIR) and runs every test there but the
# checks of the installed files, which run no code of the project's own that
# the other tests do not. The first error of either sanitizer, a leak
# included, fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_ASAN_BUILD_DIR:-$root/build-asan}

"$root/scripts/setup.sh" test
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_SANITIZE=ON
fi
cmake --build "$build" --parallel

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 -LE install
