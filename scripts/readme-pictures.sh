#!/usr/bin/env bash
# Writes the README's pictures, taken from the real Dusklatch.scr under Wine and
# Xvfb, into docs/ (or the folder given): dialog.png (the configuration dialog,
# Dusklatch.scr /c), countdown.png (the full-screen countdown) and
# countdown-held.png (the countdown held outside the action hours).
# DUSKLATCH_DPI=144 takes them as on a screen scaled to 150% (the system DPI,
# "LogPixels"; 96 when unset).
# Runs in a throw-away prefix that has Wine's own fonts (package fonts-wine), so
# that the caption buttons are glyphs and the dialog's font has its real widths.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs}
dpi=${DUSKLATCH_DPI:-96}
case $dpi in
'' | *[!0-9]*) echo "DUSKLATCH_DPI must be a number of dots per inch, not '$dpi'" >&2; exit 2 ;;
esac
wine_fonts=/usr/share/wine/fonts
"$root/scripts/install-deps.sh"
build=${BUILD_DIR:-$root/build}
. "$root/scripts/wine-prefix.sh"
work=$(mktemp -d /tmp/dusklatch-pictures.XXXXXX)
program=
trap 'end_program; wine_prefix_destroy; xvfb_stop; rm -rf "$work"' EXIT

# Where this machine cannot run 32-bit programs, the same sources built as
# 64-bit programs stand in for the 32-bit screen saver.
if wine_runs_32bit; then
    "$root/scripts/build.sh" --target Dusklatch
else
    wine_use_64bit_only "$work/wine"
    build=$build-x86_64
    DUSKLATCH_ARCH=x86_64 BUILD_DIR=$build "$root/scripts/build.sh" --target Dusklatch
fi
saver=$build/bin/Dusklatch.scr
mkdir -p "$out"

# The held picture shows the action hours of the README's example, 19:00-07:00:
# a time zone in which it is midday now keeps "now" outside them.
utc_hour=$(date -u +%H)
export TZ="DLK$((10#$utc_hour - 12))"
xvfb_start
wine_prefix_create "$work/prefix"
# Wine looks for fonts in the prefix's own Fonts folder (Debian's Wine not in
# the package's folder). The bitmap fonts too: Wine skips its own bitmap-only
# .ttf files and draws the dialog's "MS Sans Serif" from sserife.fon.
cp "$wine_fonts"/*.ttf "$wine_fonts"/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
# Read by each program when it starts; Wine 8 takes the user's value before the
# machine's (Hardware Profiles\Current\Software\Fonts), which is 96 in a new prefix.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
settings=$WINEPREFIX/drive_c/ProgramData/Orvanta/Dusklatch
mkdir -p "$settings"

# write_settings LINE...: the settings file, UTF-16LE with CR LF.
write_settings() {
    printf '%s\r\n' '[Dusklatch]' "$@" | iconv -f UTF-8 -t UTF-16LE >"$settings/Dusklatch.ini"
}

end_program() {
    [ -n "$program" ] || return 0
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    program=
}

# countdown_picture FILE: the top of the screen, once the saver has painted its rows.
countdown_picture() {
    local file=$1 shot=$work/screen.png lit
    wine "$saver" /s </dev/null >/dev/null 2>&1 &
    program=$!
    for _ in $(seq 60); do
        sleep 0.5
        import -display "$DISPLAY" -window root "$shot"
        lit=$(convert "$shot" -format '%[fx:maxima.g]' info: 2>/dev/null || echo 0)
        [ "$lit" != "0" ] && break
    done
    [ "$lit" != "0" ] || { echo "the countdown did not appear" >&2; exit 1; }
    # Two more seconds, so that the picture shows the count going.
    sleep 2
    import -display "$DISPLAY" -window root "$shot"
    # The rows take the upper 200 pixels of a 96-DPI screen, more at a higher DPI.
    convert "$shot" -crop "1024x$((200 * dpi / 96))+0+0" +repage -strip "$file"
    end_program
    echo "Countdown picture written to $file"
}

# No settings file: the dialog shows the defaults.
rm -f "$settings/Dusklatch.ini"
wine "$saver" /c </dev/null >/dev/null 2>&1 &
program=$!
window=
for _ in $(seq 60); do
    sleep 0.5
    window=$(xdotool search --name '^Dusklatch version 2.1$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
done
[ -n "$window" ] || { echo "the dialog did not appear" >&2; exit 1; }
sleep 1
import -display "$DISPLAY" -window "$window" "$work/dialog.png"
# Without the time stamps ImageMagick writes, the same picture gives the same bytes.
convert "$work/dialog.png" -strip "$out/dialog.png"
end_program
echo "Dialog picture written to $out/dialog.png"

# A shutdown fifteen minutes away: the pictures are taken long before, and the
# prefix is thrown away with the saver in it.
write_settings shutdown_type=1 force=true countdown=900 eblris=true perform_task=false task_job=
countdown_picture "$out/countdown.png"
write_settings shutdown_type=1 force=true countdown=900 eblris=true perform_task=false task_job= \
    action_hours=19:00-07:00
countdown_picture "$out/countdown-held.png"
