#!/usr/bin/env bash
# Host-side checks (built with the host compiler, not under Wine). Each area
# adds an executable script scripts/host-tests.d/NAME.sh; all must pass.
# Ends with one line per check, "host check NAME: passed" or "... failed".
# The checks run side by side, as many at a time as the machine has
# processors (HOST_CHECK_JOBS), the longest first; each one's output is
# printed whole once all have ended.
# --sources-only runs only the checks that need no Windows build (they build
# what they check with the host compiler, or read sources), --builds-only the
# others, so that the first may start before the Windows build is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${HOST_CHECK_JOBS:-$(nproc)}
logs=$(mktemp -d /tmp/dusklatch-host-checks.XXXXXX)
trap 'rm -rf "$logs"' EXIT

sources_only="mbm settings-fuzz service-datagram policy-template"
selection=all
case ${1:-} in
    --sources-only) selection=sources ;;
    --builds-only) selection=builds ;;
esac
selected() {
    case $selection in
        sources) [[ " $sources_only " == *" $1 "* ]] ;;
        builds) [[ " $sources_only " != *" $1 "* ]] ;;
        *) true ;;
    esac
}

# The ones that compile or fuzz for a while, then the rest in name order.
long="signing mbm settings-fuzz service-datagram"
names=()
for name in $long; do
    [ -e "$root/scripts/host-tests.d/$name.sh" ] && selected "$name" && names+=("$name")
done
for check in "$root"/scripts/host-tests.d/*.sh; do
    [ -e "$check" ] || continue
    name=$(basename "$check" .sh)
    [[ " $long " == *" $name "* ]] || ! selected "$name" || names+=("$name")
done

for name in "${names[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    (
        status=0
        bash "$root/scripts/host-tests.d/$name.sh" >"$logs/$name.log" 2>&1 || status=$?
        echo "$status" >"$logs/$name.status"
        echo "$SECONDS" >"$logs/$name.seconds"
    ) &
done
wait

status=0
results=()
for name in $(printf '%s\n' "${names[@]}" | LC_ALL=C sort); do
    echo "== host check: $name (ended $(cat "$logs/$name.seconds" 2>/dev/null) s after the first began)"
    cat "$logs/$name.log"
    if [ "$(cat "$logs/$name.status" 2>/dev/null)" = 0 ]; then
        results+=("host check $name: passed")
    else
        results+=("host check $name: failed")
        status=1
    fi
done
printf '%s\n' "${results[@]}"
exit $status
