#!/usr/bin/env bash
# Signing and reproducible builds, through scripts/build.sh itself, in scratch
# build folders (deliverables and packages only, of both platforms): two
# builds with the same SOURCE_DATE_EPOCH give the same bytes, in another time
# zone and under another umask too; signing, switched on in a built folder or
# in a fresh one, gives every delivered program and both installer packages a
# signature that verifies, in bin/, the package folders, the zips and the
# installer packages alike, and the same bytes both ways; a signed program less
# its signature is the unsigned one; a rebuild signs nothing again.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d /tmp/dusklatch-signing.XXXXXX)
# The scratch builds stand beside the build folder, at its depth, so that
# ccache finds the objects it compiled (scripts/build.sh); "again" is compiled
# without the cache, so that two real compiles are compared.
builds_at=${BUILD_DIR:-$root/build}-signing
trap 'rm -rf "$scratch" "$builds_at"-{unsigned,again,signed}{,-x86_64}' EXIT
name=Dusklatch-2.1
status=0
fail() { echo "signing: $*" >&2; status=1; }

export SOURCE_DATE_EPOCH=1700000000
unset DUSKLATCH_SIGN_PFX DUSKLATCH_SIGN_PASSWORD DUSKLATCH_SIGN_TIMESTAMP_URL DUSKLATCH_ARCH

# A throw-away code-signing certificate, its password with spaces in it.
password='not a real secret'
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Dusklatch test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" \
    -out "$scratch/signer.pfx" -passout "pass:$password"

build() {  # build FOLDER [signed]
    local log="$scratch/$(basename "$1").log"
    if [ "${2:-}" = signed ]; then
        DUSKLATCH_SIGN_PFX="$scratch/signer.pfx" DUSKLATCH_SIGN_PASSWORD="$password" \
            BUILD_DIR="$1" bash "$root/scripts/build.sh" --target dusklatch_msi >"$log" 2>&1
    else
        BUILD_DIR="$1" bash "$root/scripts/build.sh" --target dusklatch_msi >"$log" 2>&1
    fi || { fail "build into $1 failed:"; tail -20 "$log" >&2; exit 1; }
}
# The delivered files of a build, each as what follows its folder's name:
# every program of both platforms' builds, and both zips and installer
# packages, which lie in the 32-bit build's package folder.
delivered() {
    sed "s|^|/bin/|" "$1/deliverables.txt"
    sed "s|^|-x86_64/bin/|" "$1-x86_64/deliverables.txt"
    for package in "$name" "$name-x64"; do
        echo "/package/$package.zip"
        echo "/package/$package.msi"
    done
}
same_bytes() {  # same_bytes FOLDER FOLDER WHAT
    local file
    for file in $(delivered "$1"); do
        cmp -s "$1$file" "$2$file" || fail "$3: $file differs between $1 and $2"
    done
}
verifies() {
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$1" >"$scratch/verify.log" 2>&1 ||
        { fail "$1 does not verify:"; cat "$scratch/verify.log" >&2; }
}

unsigned=$builds_at-unsigned
again=$builds_at-again
signed=$builds_at-signed
rm -rf "$builds_at"-{unsigned,again,signed}{,-x86_64}
build "$unsigned"
(umask 077; export TZ=America/New_York CCACHE_DISABLE=1; build "$again")

programs=$(cat "$unsigned/deliverables.txt")
for expected in Dusklatch.scr svcctl.exe setsaver.exe setsaverw.exe installsaver.exe deployconfig.exe setautorun.exe \
    DusklatchService.exe; do
    for list in "$unsigned/deliverables.txt" "$unsigned-x86_64/deliverables.txt"; do
        grep -qx "$expected" "$list" || fail "$list lacks $expected"
    done
done
same_bytes "$unsigned" "$again" "two unsigned builds"
for bin in "$unsigned/bin" "$unsigned-x86_64/bin"; do
    if osslsigncode extract-signature -in "$bin/setsaver.exe" -out "$scratch/none.p7" >/dev/null 2>&1; then
        fail "an unsigned build has a signature"
    fi
done

# Switched on in a built folder, signing relinks and signs every program.
build "$again" signed
build "$signed" signed
same_bytes "$again" "$signed" "signing switched on and a fresh signed build"
# Each platform: its package's name and what follows a build folder's name in its build's.
for platform in "$name " "$name-x64 -x86_64"; do
    package=${platform% *}
    suffix=${platform#* }
    rm -rf "$scratch/zip" "$scratch/msi"
    mkdir "$scratch/zip" "$scratch/msi"
    (cd "$scratch/zip" && cmake -E tar xf "$signed/package/$package.zip")
    for program in $programs; do
        verifies "$signed$suffix/bin/$program"
        osslsigncode remove-signature -in "$signed$suffix/bin/$program" -out "$scratch/stripped" >/dev/null
        cmp -s "$scratch/stripped" "$unsigned$suffix/bin/$program" ||
            fail "$package: $program less its signature is not the unsigned one"
        rm -f "$scratch/stripped"
    done
    # The installer package is made from the signed programs (below), so it has
    # no unsigned twin to compare with; its own signature must verify.
    verifies "$signed/package/$package.msi"
    # The programs inside the installer package are the signed ones.
    (cd "$scratch/msi" && msiextract "$signed/package/$package.msi" >/dev/null)
    for program in $programs; do
        copy=$(find "$scratch/msi" -name "$program")
        [ -n "$copy" ] || { fail "$package.msi lacks $program"; continue; }
        cmp -s "$copy" "$signed$suffix/bin/$program" || fail "$program in $package.msi is not the signed one"
    done
    while IFS= read -r copy; do
        cmp -s "$copy" "$signed$suffix/bin/$(basename "$copy")" || fail "$copy is not the signed program"
        verifies "$copy"
    done < <(find "$signed/package/$package" "$scratch/zip" -name '*.exe' -o -name '*.scr')
    [ "$(find "$scratch/zip" -name '*.exe' -o -name '*.scr' | wc -l)" -ge 8 ] || fail "$package.zip holds too few programs"
done

# A rebuild with nothing changed links and signs nothing.
build "$signed" signed
grep -q "Linking" "$scratch/$(basename "$signed").log" && fail "a rebuild linked again"
same_bytes "$again" "$signed" "a signed rebuild"

[ $status -eq 0 ] && echo "signing: reproducible, signed in bin/, the packages, the zips and the installer packages (x86 and x64), never twice"
exit $status
