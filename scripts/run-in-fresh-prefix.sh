#!/usr/bin/env bash
# run-in-fresh-prefix.sh PROGRAM [ARGUMENTS...]
# Runs one Windows program under Wine in a win64 prefix made for it alone and
# removed afterwards, for tests that install into the system (an installer
# package) and must neither see nor leave anything in the shared test prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-prefix.sh"
wine_prefix_fresh dusklatch-fresh
wine "$@"
