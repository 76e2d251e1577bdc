#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or
# $KORVANE_FUZZ_BUILD_DIR) and runs each for SECONDS (default 30) on its
# corpus: the seeds made by the demo encoders, the saved inputs of
# tests/data/fuzz/<target>/ and what earlier runs found. Any crash, leak,
# timeout or memory blow-up fails the run; the failing input is printed.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   KORVANE_FUZZ_JOBS=N runs N targets at a time (default: 2, or 1 on one core).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}
[[ $# -gt 0 ]] && shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] ||
    targets=(configuration cacheloader payload_preview payload_export render artstore tiledata)
jobs=${KORVANE_FUZZ_JOBS:-$(($(nproc) >= 2 ? 2 : 1))}

"$root/scripts/setup.sh" test
if [[ ! -f "$build/build.ninja" ]]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON
fi
cmake --build "$build" --parallel --target korvane_fuzz

rm -rf "$build/fuzz-seeds" "$build/fuzz-artifacts" "$build/fuzz-logs"
mkdir -p "$build/fuzz-logs"
"$build/fuzz/korvane-fuzz-seeds" "$build/fuzz-seeds"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

# Large enough for a whole art index half or tile data file, and for a
# render input of thousands of components sharing large art; the cache loader's
# check also reads its input the slow, plain way, so it gets thousands of lines.
declare -A max_len=([artstore]=400000 [tiledata]=1040000 [render]=262144 [cacheloader]=16384)
# A rendering must stay within about 1 GiB whatever its input; the rest of
# the limit is the sanitizers' own (quarantine and shadow memory).
declare -A memory_limit=([render]=1536)
# A rendering may decode and paint up to 256 Mpx of art, which in this build
# takes about 10 s.
declare -A time_limit=([render]=30)

run_target() {
    local name=$1
    local corpus=$build/fuzz-corpus/$name
    local artifacts=$build/fuzz-artifacts/$name/
    local memory=${memory_limit[$name]:-2048}
    # Seeds stay in the corpus even when they add no coverage: Qt's own
    # parsers are not instrumented, so the XML seeds would be dropped.
    local options=(-rss_limit_mb="$memory" -malloc_limit_mb="$memory"
        -timeout="${time_limit[$name]:-5}" -max_total_time="$seconds" -keep_seed=1
        -print_final_stats=1 -artifact_prefix="$artifacts")
    # payload_preview, payload_export and render share payload.dict.
    local dict=$root/fuzz/${name%%_*}.dict
    [[ $name == render ]] && dict=$root/fuzz/payload.dict
    [[ -f "$dict" ]] && options+=(-dict="$dict")
    [[ -n "${max_len[$name]:-}" ]] && options+=(-max_len="${max_len[$name]}")
    local dirs=("$corpus" "$build/fuzz-seeds/$name")
    [[ -d "$root/tests/data/fuzz/$name" ]] && dirs+=("$root/tests/data/fuzz/$name")
    mkdir -p "$corpus" "$artifacts"
    # libFuzzer stops itself; the outer limit only guards against a hang in
    # start-up or shut-down.
    timeout --kill-after=30 $((seconds + 300)) \
        "$build/fuzz/fuzz_$name" "${options[@]}" "${dirs[@]}" \
        >"$build/fuzz-logs/$name.log" 2>&1
}

report() {
    local name=$1
    local status=$2
    local log=$build/fuzz-logs/$name.log
    local done execs
    done=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [[ $status -eq 0 ]]; then
        printf '%-16s ok      execs %-10s %s\n' "$name" "${execs:-?}" "${done#*DONE}"
        return 0
    fi
    printf '%-16s FAILED  (exit %s), log: %s\n' "$name" "$status" "$log"
    grep -E 'ERROR|SUMMARY|fuzz_[a-z_]+: ' "$log" | head -5 | sed 's/^/    /'
    local input
    for input in "$build/fuzz-artifacts/$name"/*; do
        [[ -f "$input" ]] || continue
        echo "    failing input $(basename "$input") ($(stat -c %s "$input") bytes), base64;"
        echo "    save it as tests/data/fuzz/$name/<what it broke> (base64 -d):"
        head -c 65536 "$input" | base64 | sed 's/^/      /'
    done
    return 1
}

failed=0
pending=()
for name in "${targets[@]}"; do
    if [[ ! -x "$build/fuzz/fuzz_$name" ]]; then
        printf '%-16s FAILED  (no fuzzer built)\n' "$name"
        failed=1
        continue
    fi
    run_target "$name" &
    pending+=("$!:$name")
    if [[ ${#pending[@]} -ge $jobs ]]; then
        status=0
        wait "${pending[0]%%:*}" || status=$?
        report "${pending[0]#*:}" "$status" || failed=1
        pending=("${pending[@]:1}")
    fi
done
for job in "${pending[@]}"; do
    status=0
    wait "${job%%:*}" || status=$?
    report "${job#*:}" "$status" || failed=1
done
exit $failed
