#!/bin/sh
# A real host's scan of the plug-in: Ardour's VST2 scanner loads the module, instantiates it and
# writes what it found to its cache, which must show Corvane's identity and pins.
# The unique id 'TWcv' (0x54576376) appears in decimal, 1415013238.
# Usage: ardour_scan_test.sh SCANNER PLUGIN
set -eu
scanner=$1
plugin=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
# The scanner writes below the user's cache directory: keep it away from the real one.
export HOME="$work/home" XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$XDG_CACHE_HOME"
export LD_LIBRARY_PATH="$(dirname "$scanner")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

"$scanner" -f "$plugin"
cache=$(find "$XDG_CACHE_HOME" -name '*.v2i' | head -n 1)
if [ -z "$cache" ]; then
    echo "no scan result below $XDG_CACHE_HOME" >&2
    exit 1
fi
cat "$cache"

status=0
for field in 'name="Corvane"' 'creator="Tessel Works"' 'id="1415013238"' 'n_inputs="4"' \
             'n_outputs="2"' 'n_midi_inputs="1"'; do
    if ! grep -q "$field" "$cache"; then
        echo "missing in the scan result: $field" >&2
        status=1
    fi
done
exit $status
