#!/bin/sh
# A real host's scan of the CLAP module: Qtractor's scanner reads one "CLAP:path" request on its
# standard input and answers one line: format, name, main audio ins:outs, MIDI ins:outs,
# controls in:out, flags, path. It counts main audio ports only, so the side-chain is not seen.
# Usage: qtractor_scan_test.sh SCANNER PLUGIN
set -eu
scanner=$1
plugin=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# The scanner may keep settings below the user's home: keep it away from the real one.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

line=$(echo "CLAP:$plugin" | "$scanner" | grep '^CLAP|' | head -n 1)
echo "$line"
expected="CLAP|Corvane|2:2|1:0|29:0|"
case "$line" in
    "$expected"*) ;;
    *) echo "expected a line starting with $expected" >&2; exit 1 ;;
esac
flags=$(echo "$line" | cut -d'|' -f6)
case ",$flags," in
    *,GUI,*) ;;
    *) echo "no GUI flag in: $flags" >&2; exit 1 ;;
esac
