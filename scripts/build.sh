#!/usr/bin/env bash
# Configures and builds every Windows binary into build/ (or $BUILD_DIR);
# arguments go to cmake --build (--target dusklatch_package builds only the
# deliverables and the installation package).
# DUSKLATCH_ARCH=x86_64 builds the same sources as 64-bit programs, for running
# the tests where the machine cannot run 32-bit code; the product is i686.
# Signing (scripts/sign.sh): DUSKLATCH_SIGN_PFX, DUSKLATCH_SIGN_PASSWORD and
# DUSKLATCH_SIGN_TIMESTAMP_URL sign every deliverable right after its link,
# before the package copies it. SOURCE_DATE_EPOCH makes the build reproducible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
arch=${DUSKLATCH_ARCH:-i686}
# The same sources are compiled in several build folders (the tests' own, the
# signing check's scratch builds): with ccache each object is compiled once.
# Paths below the source folder are hashed relative to it, and objects carry
# no build-machine path, so a cached object is the one a compile would give.
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 CCACHE_IGNOREOPTIONS="-ffile-prefix-map=*"
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
