#!/usr/bin/env bash
# Rewrites the expected transcripts of the command line's golden table
# (tests/golden/expected/) from the programs as they are built now, and
# removes those of rows no longer in tests/golden/commands.txt. Review the
# change with git diff before committing it. Rows named update those alone.
#
#   scripts/update-golden.sh [ROW...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}

cmake --build "$build" --target tst_golden
functions=()
for row in "$@"; do
    functions+=("golden:$row")
done
KORVANE_UPDATE_GOLDEN=1 "$build/tests/tst_golden" "${functions[@]}"
git -C "$root" status --short tests/golden
