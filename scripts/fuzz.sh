#!/usr/bin/env bash
# Fuzzes the plug-in through its VST 2.4 entry point with libFuzzer, under the address and
# undefined-behaviour sanitizers, for a bounded time on the corpus in tests/fuzz/corpus. Fails
# (non-zero) on any crash, hang, sanitizer report or broken check; the input that did it is left
# in <build-dir>/fuzz-run/artifacts, and the ordinary suite replays it once it is copied into
# tests/fuzz/corpus.
#
# Usage: scripts/fuzz.sh [seconds] [build-dir]     (default 120 s, build-fuzz)
# With CORVANE_FUZZ_MERGE=1 the inputs that reached new code are merged into tests/fuzz/corpus
# (only those that reach code the corpus does not, so it stays small).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-120}"
build="${2:-$root/build-fuzz}"

"$root/scripts/install-deps.sh"
"$root/scripts/install-deps.sh" "$root/scripts/fuzz-deps.txt"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCORVANE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target corvane_fuzz

run="$build/fuzz-run"
rm -rf "$run"
mkdir -p "$run/found" "$run/artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
# The drawing libraries' process-wide caches are not leaks of ours (as in scripts/test.sh).
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
# New inputs go to the first directory; the checked-in corpus is only read.
"$build/tests/fuzz/corvane_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$run/artifacts/" \
    "$run/found" "$root/tests/fuzz/corpus"

if [ "${CORVANE_FUZZ_MERGE:-0}" = 1 ]; then
    "$build/tests/fuzz/corvane_fuzz" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=4096 \
        "$root/tests/fuzz/corpus" "$run/found"
fi
