#!/usr/bin/env bash
# Host-side checks (built with the host compiler, not under Wine). Each area
# adds an executable script scripts/host-tests.d/NAME.sh; all must pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for check in "$root"/scripts/host-tests.d/*.sh; do
    [ -e "$check" ] || continue
    echo "== host check: $(basename "$check")"
    bash "$check" || status=1
done
exit $status
