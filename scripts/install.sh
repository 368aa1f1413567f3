#!/usr/bin/env bash
# Builds the plug-ins and installs them for the current user: the VST 2.4 edition into ~/.vst
# and the CLAP edition into ~/.clap, where hosts look for them.
# Usage: scripts/install.sh [build-dir]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
# Only what the plug-ins need to build.
"$root/scripts/install-deps.sh" "$root/scripts/deps-build.txt"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)" --target Corvane CorvaneClap
install -D -m 0755 "$build/Corvane.so" "$HOME/.vst/Corvane.so"
install -D -m 0755 "$build/Corvane.clap" "$HOME/.clap/Corvane.clap"
echo "Installed $HOME/.vst/Corvane.so and $HOME/.clap/Corvane.clap; rescan plug-ins in your host."
