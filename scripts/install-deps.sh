#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root).
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-i686-win32 mingw-w64-tools)
# The x64 product, and the 64-bit test helper.
command -v x86_64-w64-mingw32-g++-win32 >/dev/null || need+=(g++-mingw-w64-x86-64-win32)
command -v cmake >/dev/null || need+=(cmake)
command -v ccache >/dev/null || need+=(ccache)
command -v make >/dev/null || need+=(make)
command -v wine >/dev/null || need+=(wine wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v Xvfb >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v import >/dev/null || need+=(imagemagick)
# Wine's own fonts (caption buttons, dialog font) for the README's pictures.
[ -f /usr/share/wine/fonts/marlett.ttf ] || need+=(fonts-wine)
command -v clang++ >/dev/null || need+=(clang)
ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
command -v c++ >/dev/null || need+=(g++)
command -v wixl >/dev/null || need+=(wixl)
command -v msibuild >/dev/null || need+=(msitools)
command -v xmllint >/dev/null || need+=(libxml2-utils)
command -v faketime >/dev/null || need+=(faketime)
command -v zip >/dev/null || need+=(zip)
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v openssl >/dev/null || need+=(openssl)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: missing packages (${need[*]}); run as root to install them" >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails one index now and then; the others
# are usually enough, and what they are not enough for is handled below.
apt-get update -qq || echo "install-deps.sh: apt-get update failed for some index; going on" >&2
apt_install() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
if ! apt_install "${need[@]}"; then
    # Without the i386 index of the security updates (a mirror mid-sync), the
    # i386 libraries cannot match the installed amd64 ones. Wine's 64-bit
    # loader alone still runs the tests, on the 64-bit build of the sources,
    # as on a machine that runs no 32-bit code.
    rest=()
    for package in "${need[@]}"; do
        [ "$package" = wine32:i386 ] || rest+=("$package")
    done
    [ ${#rest[@]} -lt ${#need[@]} ] || exit 1
    echo "install-deps.sh: wine32:i386 could not be installed; Wine will run 64-bit programs only" >&2
    apt_install "${rest[@]}"
fi
