#!/usr/bin/env bash
# Builds everything and runs every test: the Windows tests under Wine in a
# throw-away prefix with an Xvfb display of their own, and beside them the
# host-side checks; ends with one line "summary: N passed, N failed".
# Extra arguments go to ctest and run only that selection of the Wine tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${BUILD_DIR:-$root/build}
. "$root/scripts/wine-prefix.sh"
work=$(mktemp -d /tmp/dusklatch-test.XXXXXX)
host_pids=()
cleanup() {
    [ ${#host_pids[@]} -eq 0 ] || kill "${host_pids[@]}" 2>/dev/null || true
    for prefix in "$work"/prefix*; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wine_prefix_destroy
    done
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

# Both platforms' programs are delivered (build/ and build-x86_64/). The
# Windows tests run the 32-bit build, and the 64-bit build's installer package
# tests beside it; where this machine cannot run 32-bit programs, they all run
# the 64-bit build, which is then built first so that they can start, while the
# 32-bit deliverables are built beside them for the host checks.
x64_build=
if wine_runs_32bit; then
    "$root/scripts/build.sh"
    test_build=$build
    x64_build=$build-x86_64
    # The x64 package's tests install it over the x86 one too.
    export DUSKLATCH_X86_MSI=$build/package/Dusklatch-2.1.msi
else
    echo "note: Wine runs no 32-bit programs here; the Windows tests run the 64-bit build"
    wine_use_64bit_only "$work/wine"
    test_build=$build-x86_64
    DUSKLATCH_ARCH=x86_64 BUILD_DIR=$test_build "$root/scripts/build.sh"
fi

# The host checks are mostly compiling and fuzzing, the Wine tests mostly
# waiting on windows and processes: they share the machine well.
run_host_checks=0
if [ -x "$root/scripts/host-tests.sh" ] && [ $# -eq 0 ]; then
    run_host_checks=1
    # A short fuzzing run for every check of the whole suite; set them higher by hand.
    export MBM_FUZZ_SECONDS=${MBM_FUZZ_SECONDS:-20}
    export SERVICE_FUZZ_SECONDS=${SERVICE_FUZZ_SECONDS:-20}
    export SETTINGS_FUZZ_SECONDS=${SETTINGS_FUZZ_SECONDS:-20}
    # The fuzzers run for fixed seconds and the Wine tests mostly wait: the
    # checks that need no Windows build start now, beside the 32-bit build and
    # the checks of both builds, so that their seconds pass while the Wine
    # tests leave processors idle.
    BUILD_DIR=$build "$root/scripts/host-tests.sh" --sources-only >"$work/host-sources.log" 2>&1 &
    host_pids=($!)
    (
        # Both platforms' deliverables and packages (the 64-bit ones are built).
        "$root/scripts/build.sh" --target dusklatch_msi || { echo "host check build: failed"; exit 1; }
        BUILD_DIR=$build "$root/scripts/host-tests.sh" --builds-only
    ) >"$work/host-builds.log" 2>&1 &
    host_pids+=($!)
fi

# run_ctest BUILD PREFIX LOG LISTING [CTEST ARGUMENTS]: the Wine tests of the
# build folder BUILD in a prefix of their own, on an Xvfb display of their own:
# a full-screen saver of one group would otherwise take the activation from
# another's, which ends that one.
# Each ctest lists a test program's tests (under Wine) into a file of the build
# when the program is newer than the file; groups doing so at the same moment
# read each other's half-written files and lose tests without a word. So with
# groups, one run "lists" them first and the others "wait" for it ("" alone).
run_ctest() {
    local tests=$1 prefix=$2 log=$3 listing=$4
    shift 4
    (
        xvfb_start || exit 1
        trap xvfb_stop EXIT
        wine_prefix_create "$prefix"
        # Keeps Wine's desktop process from closing between tests; ended with the wineserver.
        wine "$tests/bin/desktop_keeper.exe" </dev/null >/dev/null 2>&1 &
        if [ "$listing" = lists ]; then
            (cd "$tests" && ctest -N >/dev/null 2>&1)
            touch "$work/tests-listed"
        elif [ "$listing" = wait ]; then
            for _ in $(seq 1200); do
                [ -e "$work/tests-listed" ] && break
                sleep 0.1
            done
        fi
        status=0
        # One more try for a failed test: under the load of the host checks a
        # Wine test program was once seen to end at once with no output at all
        # (1 of about 10 whole runs; 0 of 40 runs alone). A test that fails
        # twice still fails the run.
        (cd "$tests" && ctest --output-on-failure --timeout 600 --repeat until-pass:2 "$@") >"$log" 2>&1 ||
            status=$?
        wine_prefix_destroy
        exit $status
    )
}

status=0
set +e
if [ $# -eq 0 ]; then
    # Groups of tests run side by side, each in a prefix of its own (registry,
    # services and files live in the prefix), since most of their time is
    # spent waiting on windows, processes and clocks: the companion service,
    # whose flood test waits a minute; its other minute-long test with the
    # service control tool's; the saver on the wire with the power actions;
    # and the rest, the installer packages among them. Each group takes about
    # as long as the others.
    groups=('^CompanionService(\.|Flood)' '^(CompanionServiceNobodySignedIn|ToolSvcctlService)'
        '^(SaverOnTheWire|LogonDesktop|PowerDownRoutes)')
    group_pids=()
    for i in "${!groups[@]}"; do
        run_ctest "$test_build" "$work/prefix-$i" "$work/ctest-$i.log" wait -R "${groups[$i]}" &
        group_pids+=($!)
    done
    # Where the tests run the 32-bit build, the x64 installer package's tests
    # run in the 64-bit build folder beside them.
    if [ -n "$x64_build" ]; then
        run_ctest "$x64_build" "$work/prefix-x64" "$work/ctest-x64.log" "" -R '^InstallerPackage' &
        group_pids+=($!)
    fi
    run_ctest "$test_build" "$work/prefix" "$work/ctest.log" lists -E "$(IFS='|'; echo "${groups[*]}")"
    ctest_status=$?
    for pid in "${group_pids[@]}"; do
        wait "$pid" || ctest_status=1
    done
    cat "$work"/ctest*.log
else
    run_ctest "$test_build" "$work/prefix" "$work/ctest.log" "" "$@"
    ctest_status=$?
    cat "$work/ctest.log"
fi
set -e
[ "$ctest_status" = 0 ] || status=$ctest_status

host_passed=0
host_failed=0
if [ "$run_host_checks" = 1 ]; then
    host_status=0
    for pid in "${host_pids[@]}"; do
        wait "$pid" || host_status=$?
    done
    host_pids=()
    cat "$work"/host-*.log
    host_passed=$(cat "$work"/host-*.log | grep -c '^host check .*: passed$' || true)
    host_failed=$(cat "$work"/host-*.log | grep -c '^host check .*: failed$' || true)
    # A check runner that died before its own summary still counts as a failure.
    if [ "$host_status" != 0 ] && [ "$host_failed" = 0 ]; then host_failed=1; fi
    [ "$host_status" = 0 ] || status=1
fi

# One closing line for the whole run: the Wine tests of each prefix plus each
# host check (these run only for the whole suite, not for a selection given to ctest).
total=0
failed=0
for log in "$work"/ctest*.log; do
    summary=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
    if [ -z "$summary" ]; then
        # A run that never got to its own summary counts as one failure.
        summary="1 1"
        [ "$status" != 0 ] || status=1
    fi
    failed=$((failed + ${summary%% *}))
    total=$((total + ${summary##* }))
done
echo "summary: $((total - failed + host_passed)) passed, $((failed + host_failed)) failed"
exit $status
