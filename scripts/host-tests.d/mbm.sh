#!/usr/bin/env bash
# Host checks of the logo decoder: builds the libFuzzer target (clang,
# -fsanitize=fuzzer,address,undefined), seeds it with the encoder's output for
# every pixel kind and method plus the logo, replays the seeds through the plain
# replay program, fuzzes for MBM_FUZZ_SECONDS (60) and fails on any finding.
# Also runs the portable decoder tests under the sanitizers, and prints the
# decode benchmark once.
# Reproduce a finding: $out/mbm_replay $out/findings/crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -n "${BUILD_DIR:-}" ]; then
    out="$BUILD_DIR-host"
else
    out="$root/build-host-mbm"
fi
seconds=${MBM_FUZZ_SECONDS:-60}
cxx=${MBM_CLANGXX:-clang++}
mkdir -p "$out"

src="$root/scripts/mbm"
decoder="$root/config_ui/mbm_image.cpp"
includes=(-I"$root/config_ui" -I"$src")
sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

echo "building the fuzz target, replay, seed and benchmark programs in $out"
"$cxx" -std=c++17 -g -O1 "${includes[@]}" -fsanitize=fuzzer "${sanitize[@]}" \
    -o "$out/mbm_fuzz" "$src/mbm_fuzz_target.cpp" "$decoder"
"$cxx" -std=c++17 -g -O1 "${includes[@]}" "${sanitize[@]}" \
    -o "$out/mbm_replay" "$src/mbm_fuzz_target.cpp" "$src/mbm_replay_main.cpp" "$src/mbm_encoder.cpp" "$decoder"
"$cxx" -std=c++17 -O2 "${includes[@]}" \
    -o "$out/mbm_seeds" "$src/mbm_seeds_main.cpp" "$src/mbm_encoder.cpp"
"$cxx" -std=c++17 -O2 "${includes[@]}" \
    -o "$out/mbm_bench" "$src/mbm_bench_main.cpp" "$src/mbm_encoder.cpp" "$decoder"

# The portable decoder tests once more on the host, under the address and
# undefined-behaviour sanitizers (GoogleTest built from Debian's sources).
gtest=/usr/src/googletest/googletest
if [ ! -f "$out/gtest-all.o" ]; then
    "$cxx" -std=c++17 -O1 "${sanitize[@]}" -I"$gtest/include" -I"$gtest" \
        -c "$gtest/src/gtest-all.cc" -o "$out/gtest-all.o"
    "$cxx" -std=c++17 -O1 "${sanitize[@]}" -I"$gtest/include" -I"$gtest" \
        -c "$gtest/src/gtest_main.cc" -o "$out/gtest_main.o"
fi
tests="$root/tests/mbm"
"$cxx" -std=c++17 -g -O1 "${includes[@]}" -I"$tests" -I"$gtest/include" "${sanitize[@]}" \
    -o "$out/mbm_host_tests" "$tests/mbm_test_support.cpp" "$tests/mbm_decode_test.cpp" \
    "$tests/mbm_round_trip_test.cpp" "$tests/mbm_grey_dib_test.cpp" "$src/mbm_encoder.cpp" "$decoder" \
    "$out/gtest-all.o" "$out/gtest_main.o" -lpthread
"$out/mbm_host_tests" --gtest_brief=1

rm -rf "$out/seeds" "$out/corpus" "$out/findings"
mkdir -p "$out/seeds" "$out/corpus" "$out/findings"
"$out/mbm_seeds" "$out/seeds" "$root/config_ui/dusklatch_logo.pam"
"$out/mbm_replay" "$out/seeds"

echo "fuzzing DecodeMbmImage for ${seconds}s"
status=0
"$out/mbm_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
    -artifact_prefix="$out/findings/" -print_final_stats=1 \
    "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1 || status=$?
tail -n 12 "$out/fuzz.log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$out/findings")" ]; then
    echo "FAILED: the fuzzer found a problem (exit $status); inputs in $out/findings, log in $out/fuzz.log" >&2
    exit 1
fi
"$out/mbm_replay" "$out/corpus"

"$out/mbm_bench"
echo "mbm host checks passed"
