#!/bin/sh
# scripts/install.sh puts the editions where hosts look: the VST 2.4 library into ~/.vst, the
# CLAP module into ~/.clap and the LV2 bundle into ~/.lv2, from which lilv finds the plug-in and
# its presets.
# Usage: install_test.sh INSTALL-SCRIPT BUILD-DIR
set -eu
script=$1
build=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT INT TERM
HOME="$home" "$script" --no-build "$build"
test -x "$home/.vst/Corvane.so"
test -x "$home/.clap/Corvane.clap"
for f in manifest.ttl corvane.ttl presets.ttl corvane.so corvane_ui.so; do
    test -f "$home/.lv2/Corvane.lv2/$f"
done
# Again over the first installation, as an update would.
HOME="$home" "$script" --no-build "$build"
LV2_PATH="$home/.lv2" lv2info urn:tessel-works:corvane | grep -q "20 Mother Ducker"
