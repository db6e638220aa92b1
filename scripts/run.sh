#!/usr/bin/env bash
# Builds everything and starts the real Dusklatch.scr full screen under Wine,
# with settings that never act (no action, no task). On a machine without a
# display it runs under Xvfb and writes a screenshot instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
. "$root/scripts/wine-prefix.sh"
# Where this machine cannot run 32-bit programs, the 64-bit build's screen saver
# is shown.
if ! wine_runs_32bit; then
    echo "Wine runs no 32-bit programs here: showing the 64-bit build's Dusklatch.scr instead."
    wine_use_64bit_only "$build/wine64-only"
    build=$build-x86_64
    DUSKLATCH_ARCH=x86_64 BUILD_DIR=$build "$root/scripts/build.sh" --target Dusklatch
fi

# Without a display, an Xvfb of our own must exist before the prefix's first
# process starts: Wine's desktop process keeps the display it was started with.
headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    trap 'wineserver -k >/dev/null 2>&1 || true; xvfb_stop' EXIT
    xvfb_start
fi

# A prefix of the project's own, kept between runs; never the user's ~/.wine.
export WINEPREFIX="$build/run-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "Preparing Wine prefix $WINEPREFIX ..."
    mkdir -p "$WINEPREFIX"
    wine cmd /c exit </dev/null >/dev/null 2>&1
fi

# Safe settings: count down from 60 and then do nothing.
settings_dir="$WINEPREFIX/drive_c/ProgramData/Orvanta/Dusklatch"
mkdir -p "$settings_dir"
printf '[Dusklatch]\r\nshutdown_type=0\r\nforce=false\r\ncountdown=60\r\neblris=true\r\nperform_task=false\r\ntask_job=\r\n' |
    iconv -f UTF-8 -t UTF-16LE >"$settings_dir/Dusklatch.ini"

saver="$build/bin/Dusklatch.scr"
if [ "$headless" = 0 ]; then
    echo "Starting Dusklatch.scr /s on $DISPLAY: move the mouse or press a key to end it."
    status=0
    wine "$saver" /s || status=$?
    wineserver -w
    exit $status
fi

shot=${SCREENSHOT:-$build/dusklatch-screenshot.png}
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
echo "No display: running Dusklatch.scr /s under Xvfb ($DISPLAY) for a screenshot."
wine "$saver" /s </dev/null >/dev/null 2>&1 &
# Wait until the countdown has been painted (the first start of a prefix is slow).
for _ in $(seq 30); do
    sleep 1
    import -display "$DISPLAY" -window root "$shot"
    lit=$(convert "$shot" -format '%[fx:maxima.r]' info: 2>/dev/null || echo 0)
    [ "$lit" != "0" ] && break
done
sleep 2
import -display "$DISPLAY" -window root "$shot"
echo "Screenshot of the countdown written to $shot"
