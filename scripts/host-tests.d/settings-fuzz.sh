#!/usr/bin/env bash
# Fuzzes the settings file's text parse and format (libFuzzer with the address
# and undefined-behaviour sanitizers, 16-bit wchar_t as on Windows) for
# SETTINGS_FUZZ_SECONDS (30), seeded with settings files as the screen saver
# and people write them; any finding fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/fuzz-run.sh"
out=${BUILD_DIR:-$root/build}-host-settings
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -fshort-wchar -I"$root/settings" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$out/settings_text_fuzz" "$root/tests/settings_text_fuzz.cpp" "$root/settings/settings_text.cpp"

fuzz_dirs "$out"
seed() {
    printf '%b' "$2" | iconv -f UTF-8 -t UTF-16LE >"$out/seeds/$1"
}
seed defaults '[Dusklatch]\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\neblris=true\r\nperform_task=false\r\ntask_job=\r\n'
seed edited '\xef\xbb\xbf[Dusklatch]\n; remark\r\n\r\nmystery=1\r\nCountDown = -2147483649\r\n[Other]\nforce=false'
seed equals 'task_job=cmd /c set a=b\r\n=orphan\r\n\rjunk\r\n'
seed long "task_job=$(head -c 9000 /dev/zero | tr '\0' x)=y\r\ncountdown=5\r\n"
fuzz_run "settings text" "$out/settings_text_fuzz" "$out" "${SETTINGS_FUZZ_SECONDS:-30}" 32768
