#!/bin/sh
# Emulator for ctest: runs one Windows program under Wine.
# scripts/test.sh prepares a throw-away prefix and exports WINEPREFIX; running
# tests against the user's own prefix would leak state between runs, so refuse.
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "wine-run.sh: WINEPREFIX must name a prepared test prefix (use scripts/test.sh)" >&2
    exit 125
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
