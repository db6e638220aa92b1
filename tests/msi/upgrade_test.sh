#!/usr/bin/env bash
# upgrade_test.sh X64_MSI [X86_MSI]
# The x64 package installed over an earlier product of the same upgrade code
# and version, in a win64 prefix of its own: over a stand-in for the x86
# package (the x64 package under another product code) everywhere, and over
# the x86 package itself where it is given (X86_MSI, or $DUSKLATCH_X86_MSI,
# which scripts/test.sh sets where Wine runs 32-bit programs). Afterwards one
# product is left, its programs are in the 64-bit folders byte for byte,
# nothing is in the 32-bit ones, the service runs the 64-bit program, and the
# settings file edited under the earlier product is unchanged. Installing and
# uninstalling the package alone is InstallerPackage's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
x64_msi=$1
x86_msi=${2:-${DUSKLATCH_X86_MSI:-}}
for msi in "$x64_msi" $x86_msi; do
    [ -f "$msi" ] || { echo "upgrade: $msi is missing (build first)" >&2; exit 1; }
done
x64_package=${x64_msi%.msi}
. "$root/tests/msi/installer_prefix.sh"

status=0
fail() { echo "upgrade ($scenario): $*" >&2; status=1; }
windows_path() { wine winepath -w "$1" </dev/null | tr -d '\r\n'; }
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}'; }

drive=$WINEPREFIX/drive_c
settings=$drive/ProgramData/Orvanta/Dusklatch/Dusklatch.ini
printf '[Dusklatch]\r\ncountdown=42\r\n' | iconv -f ASCII -t UTF-16LE >"$work/edited.ini"

# The stand-in: the x64 package as another product of the same version.
standin=$work/standin.msi
cp "$x64_msi" "$standin"
msibuild "$standin" -q "UPDATE Property SET Value = '{0D5E7B61-3C2A-4F8E-9B14-6A2C5D8E7F30}' WHERE Property = 'ProductCode'"
msibuild "$standin" -s "Dusklatch 2.1.0" "Orvanta" "x64;1033" "{4B7C2E19-8D3F-4A60-B5E1-2F9A6C3D8E47}"

for earlier in "$standin" $x86_msi; do
    scenario=$(basename "$earlier")
    installed=$(msiexec /i "$(windows_path "$earlier")")
    [ "$installed" = 0 ] || { fail "installing it ended with $installed"; continue; }
    cp "$work/edited.ini" "$settings"
    installed=$(msiexec /i "$(windows_path "$x64_msi")")
    [ "$installed" = 0 ] || fail "installing the x64 package over it ended with $installed"

    # The installer knows the earlier product no more: ERROR_UNKNOWN_PRODUCT (1605).
    removed=$(msiexec /x "$(product_code "$earlier")")
    [ "$removed" = $((1605 & 255)) ] || fail "the earlier product is still installed (removing it ended with $removed)"
    for program in Dusklatch.scr bin/svcctl.exe bin/setsaver.exe bin/setsaverw.exe bin/installsaver.exe \
        bin/deployconfig.exe bin/setautorun.exe bin/DusklatchService.exe; do
        case $program in
            bin/*) installed_copy="$drive/Program Files/Dusklatch/$program" ;;
            *) installed_copy=$drive/windows/system32/$program ;;
        esac
        cmp -s "$x64_package/$program" "$installed_copy" || fail "$installed_copy is not the x64 package's $program"
    done
    [ ! -e "$drive/Program Files (x86)/Dusklatch" ] || fail "Program Files (x86)\\Dusklatch is still there"
    [ ! -e "$drive/windows/syswow64/Dusklatch.scr" ] || fail "SysWOW64\\Dusklatch.scr is still there"
    cmp -s "$work/edited.ini" "$settings" || fail "the edited settings file was changed"
    image=$(wine reg query 'HKLM\System\CurrentControlSet\Services\DusklatchService' /v ImagePath </dev/null | tr -d '\r')
    [[ "$image" == *'C:\Program Files\Dusklatch\bin\DusklatchService.exe'* ]] || fail "the service runs $image"
    wine sc query DusklatchService </dev/null | tr -d '\r' | grep -q 'STATE *: 4 ' || fail "the service does not run"

    msiexec /x "$(windows_path "$x64_msi")" >/dev/null
    rm -f "$settings"
done

[ $status -eq 0 ] && echo "upgrade: the x64 package replaces an earlier 2.1 product and keeps its settings"
exit $status
