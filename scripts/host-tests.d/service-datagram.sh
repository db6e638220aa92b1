#!/usr/bin/env bash
# Host check of the companion service's datagram check: builds the libFuzzer
# target (clang, -fsanitize=fuzzer,address,undefined), seeds it with every
# message the screen saver writes and a few it never writes, and fuzzes for
# SERVICE_FUZZ_SECONDS (30); any finding fails.
# Reproduce a finding: $out/service_datagram_fuzz $out/findings/crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -n "${BUILD_DIR:-}" ]; then
    out="$BUILD_DIR-host-service"
else
    out="$root/build-host-service"
fi
seconds=${SERVICE_FUZZ_SECONDS:-30}
cxx=${SERVICE_CLANGXX:-clang++}
mkdir -p "$out"

"$cxx" -std=c++17 -g -O1 -I"$root/service" -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all -fno-omit-frame-pointer -o "$out/service_datagram_fuzz" \
    "$root/tests/service/service_datagram_fuzz.cpp" "$root/service/service_datagram.cpp"

rm -rf "$out/seeds" "$out/corpus" "$out/findings"
mkdir -p "$out/seeds" "$out/corpus" "$out/findings"
n=0
for text in 'Shutdown;true;' 'Shutdown;false;' 'Hibernate;true;' 'Standby;false;' 'Reboot;false;' \
    'NoAction;true;' 'WaitFor:1;true;' 'WaitFor:4294967295;true;' 'WaitFor:0123;true;' \
    'shutdown;true;' 'WaitFor:4294967296;true;'; do
    n=$((n + 1))
    { printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } >"$out/seeds/seed-$n"
done

echo "fuzzing CheckServiceDatagram for ${seconds}s"
status=0
"$out/service_datagram_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=128 \
    -artifact_prefix="$out/findings/" -print_final_stats=1 \
    "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1 || status=$?
tail -n 6 "$out/fuzz.log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$out/findings")" ]; then
    echo "FAILED: the fuzzer found a problem (exit $status); inputs in $out/findings, log in $out/fuzz.log" >&2
    exit 1
fi
echo "service datagram host checks passed"
