#!/usr/bin/env bash
# Fuzzes the companion service's datagram check (libFuzzer with the address and
# undefined-behaviour sanitizers) for SERVICE_FUZZ_SECONDS (30), seeded with
# messages the screen saver writes; any finding fails.
# Reproduce a finding: $out/service_datagram_fuzz $out/findings/crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${BUILD_DIR:-$root/build}-host-service
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -I"$root/service" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$out/service_datagram_fuzz" "$root/tests/service/service_datagram_fuzz.cpp" "$root/service/service_datagram.cpp"

rm -rf "$out/seeds" "$out/corpus" "$out/findings"
mkdir -p "$out/seeds" "$out/corpus" "$out/findings"
for text in 'Shutdown;true;' 'Reboot;false;' 'WaitFor:4294967295;true;' 'WaitFor:0123;true;'; do
    { printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } >"$out/seeds/$(printf '%s' "$text" | tr -c 'A-Za-z0-9' _)"
done
status=0
"$out/service_datagram_fuzz" -max_total_time="${SERVICE_FUZZ_SECONDS:-30}" -max_len=128 \
    -artifact_prefix="$out/findings/" "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1 || status=$?
tail -n 2 "$out/fuzz.log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$out/findings")" ]; then
    echo "FAILED: the fuzzer found a problem; inputs in $out/findings, log in $out/fuzz.log" >&2
    exit 1
fi
echo "service datagram fuzzing passed"
