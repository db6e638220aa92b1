#!/usr/bin/env bash
# Host-side checks (built with the host compiler, not under Wine). Each area
# adds an executable script scripts/host-tests.d/NAME.sh; all must pass.
# Ends with one line per check, "host check NAME: passed" or "... failed".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
results=()
for check in "$root"/scripts/host-tests.d/*.sh; do
    [ -e "$check" ] || continue
    name=$(basename "$check" .sh)
    echo "== host check: $name"
    if bash "$check"; then
        results+=("host check $name: passed")
    else
        results+=("host check $name: failed")
        status=1
    fi
done
printf '%s\n' "${results[@]}"
exit $status
