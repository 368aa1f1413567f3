#!/usr/bin/env bash
# Builds the plug-in and measures it against Debian's packaged reverbs (Freeverb and Gigaverb
# from the DPF plug-ins, Dragonfly Room, Plate and Hall), MaFreeverb first as the reference:
# every factory program on noise with the tail check after a minute of silence (block 256),
# then the plug-in against the reference at blocks of 1, 16, 32 and 4096 frames. The plug-ins
# take turns in every repetition, and each repetition gives a ratio to the reference (see
# corvane-host bench --help).
# Usage: scripts/bench.sh [extra corvane-host bench options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/install-deps.sh" "$root/scripts/bench-deps.txt"
reference=/usr/lib/vst/MaFreeverb-vst.so
others=(/usr/lib/vst/MaGigaverb-vst.so /usr/lib/lxvst/DragonflyRoomReverb-vst.so
    /usr/lib/lxvst/DragonflyPlateReverb-vst.so /usr/lib/lxvst/DragonflyHallReverb-vst.so)
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target Corvane corvane-host >/dev/null
host="$root/build/corvane-host"
plugin="$root/build/Corvane.so"
"$host" bench "$reference" "$plugin" "${others[@]}" --silence 60 --reps 31 "$@"
for block in 1 16 32 4096; do
    "$host" bench "$reference" "$plugin" --block "$block" --reps 15 "$@"
done
