#!/usr/bin/env bash
# Fuzzes the settings file's text parse and format (libFuzzer with the address
# and undefined-behaviour sanitizers, 16-bit wchar_t as on Windows) for
# SETTINGS_FUZZ_SECONDS (30), seeded with settings files as the screen saver
# and people write them; any finding fails.
# Reproduce a finding: $out/settings_text_fuzz $out/findings/crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${BUILD_DIR:-$root/build}-host-settings
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -fshort-wchar -I"$root/settings" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$out/settings_text_fuzz" "$root/tests/settings_text_fuzz.cpp" "$root/settings/settings_text.cpp"

rm -rf "$out/seeds" "$out/corpus" "$out/findings"
mkdir -p "$out/seeds" "$out/corpus" "$out/findings"
seed() {
    printf '%b' "$2" | iconv -f UTF-8 -t UTF-16LE >"$out/seeds/$1"
}
seed defaults '[Dusklatch]\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\neblris=true\r\nperform_task=false\r\ntask_job=\r\n'
seed edited '\xef\xbb\xbf[Dusklatch]\n; remark\r\n\r\nmystery=1\r\nCountDown = -2147483649\r\n[Other]\nforce=false'
seed equals 'task_job=cmd /c set a=b\r\n=orphan\r\n\rjunk\r\n'
seed long "task_job=$(head -c 9000 /dev/zero | tr '\0' x)=y\r\ncountdown=5\r\n"
status=0
"$out/settings_text_fuzz" -max_total_time="${SETTINGS_FUZZ_SECONDS:-30}" -max_len=32768 \
    -artifact_prefix="$out/findings/" "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1 || status=$?
# The closing status line (runs, exec/s) rather than the dictionary printed after it.
grep -E '^#[0-9]+[[:space:]]+DONE|^Done ' "$out/fuzz.log" || tail -n 2 "$out/fuzz.log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$out/findings")" ]; then
    echo "FAILED: the fuzzer found a problem; inputs in $out/findings, log in $out/fuzz.log" >&2
    exit 1
fi
echo "settings text fuzzing passed"
