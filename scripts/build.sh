#!/usr/bin/env bash
# Configures and builds every Windows binary into build/ (or $BUILD_DIR);
# arguments go to cmake --build (--target dusklatch_package builds only the
# deliverables and the installation package).
# Signing (scripts/sign.sh): DUSKLATCH_SIGN_PFX, DUSKLATCH_SIGN_PASSWORD and
# DUSKLATCH_SIGN_TIMESTAMP_URL sign every deliverable right after its link,
# before the package copies it. SOURCE_DATE_EPOCH makes the build reproducible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
