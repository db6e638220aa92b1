#!/usr/bin/env bash
# A benchmark, not a test: the CPU time Dusklatch.scr /s takes over 30 s without
# holds, with 16 exempt program names (none running), held by the 16th, and
# for a shutdown with the look at other users' sessions off (0) and at its
# widest (2).
# Run after a build (scripts/build.sh, or scripts/test.sh where the machine runs
# no 32-bit code); it prints one line per case.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-prefix.sh"
work=$(mktemp -d /tmp/holds-bench.XXXXXX)
cleanup() { wine_prefix_destroy; xvfb_stop; rm -rf "$work"; }
trap cleanup EXIT
bin=${BUILD_DIR:-$root/build}/bin
if ! wine_runs_32bit; then
    wine_use_64bit_only "$work/shim"
    bin=${BUILD_DIR:-$root/build}-x86_64/bin
fi
xvfb_start
wine_prefix_create "$work/prefix"
ini="$WINEPREFIX/drive_c/ProgramData/Orvanta/Dusklatch/Dusklatch.ini"
mkdir -p "$(dirname "$ini")"
names=""
for i in $(seq 1 16); do names="${names}program$i.exe;"; done
# Other runs share this machine: only processes of this prefix count.
in_prefix() {  # pgrep arguments...
    local p
    for p in $(pgrep "$@" || true); do
        [ -r "/proc/$p/environ" ] || continue
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
        fi
    done | tail -n 1
}
measure() {  # label, extra settings line[, action]
    printf 'shutdown_type=%s\r\nforce=false\r\ncountdown=100000\r\nperform_task=false\r\n%s\r\n' "${3:-0}" "$2" |
        iconv -f UTF-8 -t UTF-16LE >"$ini"
    wine "$bin/Dusklatch.scr" /s </dev/null >/dev/null 2>&1 &
    local pid=""
    for _ in $(seq 100); do
        pid=$(in_prefix -x Dusklatch.scr)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    sleep 2
    local server; server=$(in_prefix -x wineserver64)
    # Nanoseconds on a CPU, all threads of the process.
    read_cpu() { cat /proc/$1/task/*/schedstat | awk '{s += $1} END {printf "%d", s / 1000000}'; }
    local s0 w0 s1 w1
    s0=$(read_cpu "$pid"); w0=$(read_cpu "$server")
    sleep 30
    s1=$(read_cpu "$pid"); w1=$(read_cpu "$server")
    echo "$1: saver $(( s1 - s0 )) ms CPU in 30 s; wineserver (shared by the prefix) $(( w1 - w0 )) ms"
    kill "$pid"; sleep 1
}
measure "no holds" "task_job="
measure "16 exempt names" "exempt_programs=$names"
held=""
for i in $(seq 1 15); do held="${held}program$i.exe;"; done
measure "16 exempt names, the 16th running (held)" "exempt_programs=${held}explorer.exe"
measure "shutdown, other users not looked at" "hold_for_other_users=0" 1
measure "shutdown, other users looked at, disconnected too" "hold_for_other_users=2" 1
