#!/usr/bin/env bash
# Installs only what the plug-in and the command-line host need to build and run, builds the
# two, and renders the embedded demo signal through a factory program.
# Usage: scripts/demo.sh [output.wav] [extra corvane-host render options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/demo.wav}"
shift || true
"$root/scripts/install-deps.sh" "$root/scripts/deps-build.txt"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_BUILD_BENCH=OFF
cmake --build "$root/build" -j "$(nproc)" --target Corvane corvane-host
"$root/build/corvane-host" render "$root/build/Corvane.so" --program "02 Bandpass Bow-Bow" -o "$out" "$@"
echo "Wrote $out"
