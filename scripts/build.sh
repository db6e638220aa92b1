#!/usr/bin/env bash
# Configures and builds every Windows binary: the 32-bit programs into build/
# (or $BUILD_DIR), the 64-bit ones into build-x86_64/ ($BUILD_DIR-x86_64), and
# puts the 64-bit package (Dusklatch-<version>-x64, its zip and its installer
# package) beside the 32-bit one in build/package. Arguments go to cmake
# --build for both (--target dusklatch_msi builds only the deliverables and
# the packages). DUSKLATCH_ARCH=i686 or DUSKLATCH_ARCH=x86_64 builds that one
# alone, into $BUILD_DIR.
# Signing (scripts/sign.sh): DUSKLATCH_SIGN_PFX, DUSKLATCH_SIGN_PASSWORD and
# DUSKLATCH_SIGN_TIMESTAMP_URL sign every deliverable right after its link,
# before the package copies it. SOURCE_DATE_EPOCH makes the build reproducible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
arch=${DUSKLATCH_ARCH:-}
if [ -z "$arch" ]; then
    DUSKLATCH_ARCH=i686 BUILD_DIR=$build bash "$root/scripts/build.sh" "$@"
    DUSKLATCH_ARCH=x86_64 BUILD_DIR=$build-x86_64 bash "$root/scripts/build.sh" "$@"
    # Copies keep the bytes, the modes and the dates the package was made with.
    for made in "$build-x86_64"/package/*-x64 "$build-x86_64"/package/*-x64.zip "$build-x86_64"/package/*-x64.msi; do
        [ -e "$made" ] || continue
        rm -rf "${build:?}/package/$(basename "$made")"
        cp -pR "$made" "$build/package/"
    done
    exit 0
fi
# The same sources are compiled in several build folders (the tests' own, the
# signing check's scratch builds): with ccache each object is compiled once.
# Paths below the source folder are hashed relative to it, and objects carry
# no build-machine path, so a cached object is the one a compile would give.
# The tests' precompiled headers are cached too (no source uses __TIME__ or
# __DATE__: the builds are reproducible).
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 CCACHE_IGNOREOPTIONS="-ffile-prefix-map=*"
    export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:+$CCACHE_SLOPPINESS,}pch_defines,time_macros"
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
