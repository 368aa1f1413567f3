#!/usr/bin/env bash
# Builds Corvane and installs it for the current user: the VST 2.4 library into ~/.vst, the
# LV2 bundle into ~/.lv2 and the CLAP module into ~/.clap, where hosts look for plug-ins. Run
# scripts/install-deps.sh first on a fresh machine.
# Usage: scripts/install.sh [--no-build] [build-dir]
#   CORVANE_VST_DIR, CORVANE_LV2_DIR and CORVANE_CLAP_DIR override the three folders.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_first=1
if [ "${1:-}" = "--no-build" ]; then
    build_first=0
    shift
fi
build="${1:-$root/build}"
vst_dir="${CORVANE_VST_DIR:-$HOME/.vst}"
lv2_dir="${CORVANE_LV2_DIR:-$HOME/.lv2}"
clap_dir="${CORVANE_CLAP_DIR:-$HOME/.clap}"

if [ "$build_first" = 1 ]; then
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
            -DCORVANE_BUILD_BENCH=OFF
    fi
    cmake --build "$build" -j "$(nproc)" \
        --target Corvane corvane_lv2_module corvane_lv2_ui_module corvane_lv2_ttl CorvaneClap
fi

bundle="$build/Corvane.lv2"
for file in "$build/Corvane.so" "$build/Corvane.clap" "$bundle/manifest.ttl" \
            "$bundle/corvane.ttl" "$bundle/presets.ttl" "$bundle/corvane.so" \
            "$bundle/corvane_ui.so"; do
    if [ ! -f "$file" ]; then
        echo "install.sh: $file is missing; build first" >&2
        exit 1
    fi
done

mkdir -p "$vst_dir" "$lv2_dir" "$clap_dir"
install -m 0755 "$build/Corvane.so" "$vst_dir/Corvane.so"
install -m 0755 "$build/Corvane.clap" "$clap_dir/Corvane.clap"
# A fresh bundle folder, so no file of an older version stays behind.
rm -rf "$lv2_dir/Corvane.lv2.new"
mkdir -p "$lv2_dir/Corvane.lv2.new"
install -m 0644 "$bundle"/*.ttl "$lv2_dir/Corvane.lv2.new/"
install -m 0755 "$bundle/corvane.so" "$bundle/corvane_ui.so" "$lv2_dir/Corvane.lv2.new/"
rm -rf "$lv2_dir/Corvane.lv2"
mv "$lv2_dir/Corvane.lv2.new" "$lv2_dir/Corvane.lv2"
echo "Installed $vst_dir/Corvane.so, $lv2_dir/Corvane.lv2 and $clap_dir/Corvane.clap"
