#!/usr/bin/env bash
# Fuzzes the companion service's datagram check (libFuzzer with the address and
# undefined-behaviour sanitizers) for SERVICE_FUZZ_SECONDS (30), seeded with
# messages the screen saver writes; any finding fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/fuzz-run.sh"
out=${BUILD_DIR:-$root/build}-host-service
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -I"$root/service" -I"$root/common" \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -o "$out/service_datagram_fuzz" "$root/tests/service/service_datagram_fuzz.cpp" "$root/service/service_datagram.cpp"

fuzz_dirs "$out"
for text in 'Shutdown;true;' 'Reboot;false;' 'WaitFor:4294967295;true;' 'WaitFor:0123;true;'; do
    { printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } >"$out/seeds/$(printf '%s' "$text" | tr -c 'A-Za-z0-9' _)"
done
fuzz_run "service datagram" "$out/service_datagram_fuzz" "$out" "${SERVICE_FUZZ_SECONDS:-30}" 128
