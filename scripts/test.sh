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
# Keeps Wine's desktop process from closing between tests; ended with the wineserver.
wine "$build/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &

status=0
set +e
(cd "$build" && ctest --output-on-failure --timeout 600 "$@") 2>&1 | tee "$work/ctest.log"
ctest_status=${PIPESTATUS[0]}
set -e
[ "$ctest_status" = 0 ] || status=$ctest_status

host_passed=0
host_failed=0
if [ -x "$root/scripts/host-tests.sh" ] && [ $# -eq 0 ]; then
    if "$root/scripts/host-tests.sh"; then host_passed=1; else host_failed=1; status=1; fi
fi

# One closing line for the whole run: the Wine tests plus the host checks
# (these run only for the whole suite, not for a selection given to ctest).
summary=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$work/ctest.log" | tail -n 1)
failed=${summary%% *}
total=${summary##* }
if [ -z "$summary" ]; then
    failed=1
    total=1
    [ "$status" != 0 ] || status=1
fi
echo "summary: $((total - failed + host_passed)) passed, $((failed + host_failed)) failed"
exit $status
