# Sourced by the fuzzing host checks.
# fuzz_dirs OUT - empty seeds/, corpus/ and findings/ folders below OUT
# fuzz_run NAME PROGRAM OUT SECONDS MAX_LEN - runs the libFuzzer PROGRAM for
#   SECONDS from OUT/seeds, prints its closing lines (runs, exec/s) and fails
#   on any finding. Reproduce one: PROGRAM OUT/findings/crash-...

fuzz_dirs() {
    rm -rf "$1/seeds" "$1/corpus" "$1/findings"
    mkdir -p "$1/seeds" "$1/corpus" "$1/findings"
}

fuzz_run() {
    local name=$1 program=$2 out=$3 seconds=$4 max_len=$5 status=0
    "$program" -max_total_time="$seconds" -max_len="$max_len" \
        -artifact_prefix="$out/findings/" "$out/corpus" "$out/seeds" >"$out/fuzz.log" 2>&1 || status=$?
    # The closing status line rather than the dictionary printed after it.
    grep -E '^#[0-9]+[[:space:]]+DONE|^Done ' "$out/fuzz.log" || tail -n 2 "$out/fuzz.log"
    if [ "$status" -ne 0 ] || [ -n "$(ls -A "$out/findings")" ]; then
        echo "FAILED: the fuzzer found a problem; inputs in $out/findings, log in $out/fuzz.log" >&2
        return 1
    fi
    echo "$name fuzzing passed"
}
