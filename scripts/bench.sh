#!/usr/bin/env bash
# Builds the plug-in and measures it against Debian's Freeverb VST plug-in in one run: every
# factory program on noise, then on silence after noise (48000 Hz, block 256).
# Usage: scripts/bench.sh [extra corvane-host bench options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/install-deps.sh" "$root/scripts/bench-deps.txt"
reference=/usr/lib/vst/MaFreeverb-vst.so
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target Corvane corvane-host >/dev/null
host="$root/build/corvane-host"
"$host" bench "$root/build/Corvane.so" "$reference" --silence --reps 9 "$@"
