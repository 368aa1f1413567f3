#!/usr/bin/env bash
# Installs what the build and the tests need, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=ON -DCORVANE_BUILD_BENCH=ON "$@"
cmake --build "$build" -j "$(nproc)"
# Sanitizer builds: the drawing libraries' process-wide caches are not leaks of ours.
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The editor's window tests need an X server: use a virtual one when there is no display. It must
# not reset when its last client leaves: the tests connect and disconnect in parallel, and a
# resetting server refuses whoever connects meanwhile.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 2560x1600x24 -noreset" ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
else
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
fi
