#!/usr/bin/env bash
# Writes a PNG of the configuration dialog (default docs/dialog.png), taken
# from the real Dusklatch.scr /c under Wine and Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${1:-$root/docs/dialog.png}
[ -f "$build/bin/Dusklatch.scr" ] || "$root/scripts/build.sh"
. "$root/scripts/wine-prefix.sh"
work=$(mktemp -d /tmp/dusklatch-shot.XXXXXX)
trap 'wine_prefix_destroy; xvfb_stop; rm -rf "$work"' EXIT
xvfb_start
wine_prefix_create "$work/prefix"

wine "$build/bin/Dusklatch.scr" /c </dev/null >/dev/null 2>&1 &
window=
for _ in $(seq 60); do
    sleep 0.5
    window=$(xdotool search --name '^Dusklatch version 2.1$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
done
[ -n "$window" ] || { echo "the dialog did not appear" >&2; exit 1; }
sleep 1
import -display "$DISPLAY" -window "$window" "$out"
echo "Dialog screenshot written to $out"
