#!/usr/bin/env bash
# Builds everything and runs every test: the Windows tests under Wine in a
# throw-away prefix with an Xvfb display of their own, then the host-side checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}

. "$root/scripts/wine-prefix.sh"
work=$(mktemp -d /tmp/dusklatch-test.XXXXXX)
cleanup() {
    wine_prefix_destroy
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

xvfb_start
wine_prefix_create "$work/prefix"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600 "$@") || status=$?

if [ -x "$root/scripts/host-tests.sh" ]; then
    "$root/scripts/host-tests.sh" || status=$?
fi
exit $status
