#!/usr/bin/env bash
# The Windows Installer packages as the build leaves them, read with msiinfo:
# the products' identity, and rows that the Wine test cannot see; the x86 and
# the x64 package each, and that the x64 one replaces the x86 one.
# msi.sh [MSI PLATFORM LINKCHECK]: that package; without them, both.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
tab=$'\t'
# Prints the rows of a table, its three header lines left out.
rows() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }

if [ $# -eq 0 ]; then
    status=0
    x86=$build/package/Dusklatch-2.1.msi
    x64=$build/package/Dusklatch-2.1-x64.msi
    bash "$0" "$x86" x86 "$build/bin/linkcheck.exe" || status=1
    bash "$0" "$x64" x64 "$build-x86_64/bin/linkcheck.exe" || status=1
    [ -f "$x86" ] && [ -f "$x64" ] || exit 1
    # One upgrade code, two products: the x64 package replaces the x86
    # product rather than being a repair of it.
    property() { msi=$1 rows Property | awk -F'\t' -v name="$2" '$1 == name {print $2}'; }
    [ "$(property "$x86" UpgradeCode)" = "$(property "$x64" UpgradeCode)" ] ||
        { echo "msi: the packages have other upgrade codes" >&2; status=1; }
    [ "$(property "$x86" ProductCode)" != "$(property "$x64" ProductCode)" ] ||
        { echo "msi: the packages have one product code" >&2; status=1; }
    # An Upgrade row of the x64 package for that code, every language and no
    # lower bound, that is not msidbUpgradeAttributesOnlyDetect (2) and whose
    # upper bound is the x86 version, inclusive
    # (msidbUpgradeAttributesVersionMaxInclusive, 0x200): RemoveExistingProducts
    # then removes what it found. InstallerPackage.ReplacesTheX86Product
    # installs it over such a product.
    finds=$(msi=$x64 rows Upgrade | awk -F'\t' -v code="$(property "$x86" UpgradeCode)" \
        -v version="$(property "$x86" ProductVersion)" '
        $1 == code && $2 == "" && $3 == version && $4 == "" && int($5 / 2) % 2 == 0 && int($5 / 512) % 2 {found = 1}
        END {print found + 0}')
    msi=$x64 rows InstallExecuteSequence | grep -q "^RemoveExistingProducts$tab" || finds=0
    [ "$finds" = 1 ] || { echo "msi: the x64 package does not replace the x86 product" >&2; status=1; }
    [ $status -eq 0 ] && echo "msi: the x64 package replaces the x86 product"
    exit $status
fi
msi=$1
platform=$2
link_check=$3
status=0
if [ ! -f "$msi" ]; then
    echo "msi: $msi is missing (build first)" >&2
    exit 1
fi
expect_row() {
    local table=$1 row=$2
    if ! rows "$table" | grep -qxF "$row"; then
        echo "msi: no row '$row' in $table; it has:" >&2
        rows "$table" >&2
        status=1
    fi
}

expect_row Property "ProductVersion${tab}2.1.0"
expect_row Property "UpgradeCode${tab}{6C1F8E2A-6B1D-4E0B-9B5A-3C7D2E4F1A20}"
# Fixed for version 2.1 and each platform: another code would make a second
# build another product. The platform's own folders, and the x64 package's
# components in the 64-bit registry view (msidbComponentAttributes64bit, 256).
case $platform in
    x86)
        expect_row Property "ProductCode${tab}{98D2B81C-1D66-563A-AFD9-E2AFEC11D2A2}"
        template="Intel;1033" system=SystemFolder program_files=ProgramFilesFolder bits64=0 ;;
    x64)
        expect_row Property "ProductCode${tab}{3CA617CB-C2F0-53B4-A149-A1E071E5E4F1}"
        template="x64;1033" system=System64Folder program_files=ProgramFiles64Folder bits64=256 ;;
esac
msiinfo suminfo "$msi" | grep -qxF "Template: $template" || { echo "msi: template is not $template" >&2; status=1; }
expect_row Directory "ProductFolder${tab}${program_files}${tab}Dusklatch"
[ "$(rows Component | awk -F'\t' '$1 == "Saver" {print $3}')" = "$system" ] ||
    { echo "msi: the saver is not in $system" >&2; status=1; }
[ -z "$(rows Component | awk -F'\t' -v bits64=$bits64 'int($4 / 256) % 2 * 256 != bits64')" ] ||
    { echo "msi: components not all of attribute bit $bits64" >&2; status=1; }
# Set after wixl by build_msi.sh: the settings file alone in its component,
# permanent (16) and never overwritten (128); the event source's message file
# as REG_EXPAND_SZ.
settings=$(rows Component | awk -F'\t' '$1 == "Settings" {print $4 " " $6}')
[ "$settings" = "$((144 | bits64)) Dusklatch.ini" ] || { echo "msi: settings component is '$settings'" >&2; status=1; }
[ "$(rows File | awk -F'\t' '$2 == "Settings"' | wc -l)" = 1 ] || { echo "msi: settings not alone" >&2; status=1; }
message_file=$(rows Registry | awk -F'\t' '$4 == "EventMessageFile" {print $5}')
[ "$message_file" = '#%[#DusklatchService.exe]' ] || { echo "msi: EventMessageFile '$message_file'" >&2; status=1; }
# The service as its own install command writes it: automatic, own process.
expect_row ServiceInstall "CompanionServiceInstall${tab}DusklatchService${tab}Dusklatch Service${tab}16${tab}2${tab}1${tab}${tab}${tab}${tab}${tab}${tab}CompanionService${tab}Required by Dusklatch. If this service is stopped Dusklatch will not work correctly in certain configurations."
# The settings folders and file get the descriptor the screen saver's
# logon-task check accepts, and the folders are created so that it applies.
folder_sddl='O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)'
file_sddl='O:BAD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)'
grep -qF "L\"$folder_sddl\"" "$root/common/settings_protection.h" &&
    grep -qF "L\"$file_sddl\"" "$root/common/settings_protection.h" ||
    { echo "msi: settings_protection.h has other descriptors than this check" >&2; status=1; }
expect_row MsiLockPermissionsEx "LockVendorFolder${tab}OrvantaFolder${tab}CreateFolder${tab}${folder_sddl}${tab}"
expect_row MsiLockPermissionsEx "LockSettingsFolder${tab}SettingsFolder${tab}CreateFolder${tab}${folder_sddl}${tab}"
expect_row MsiLockPermissionsEx "LockSettingsFile${tab}Dusklatch.ini${tab}File${tab}${file_sddl}${tab}"
expect_row CreateFolder "OrvantaFolder${tab}Settings"
expect_row CreateFolder "SettingsFolder${tab}Settings"
expect_row InstallExecuteSequence "CreateFolders${tab}${tab}3700"
# Before CreateFolders, the link check from the Binary table stops the
# installation when a settings path is a link: an EXE from binary data
# (msidbCustomActionTypeExe, 0x2), deferred (msidbCustomActionTypeInScript,
# 0x400), as the installer's service (msidbCustomActionTypeNoImpersonate,
# 0x800), its exit status checked (no msidbCustomActionTypeContinue).
expect_row CustomAction "RefuseLinkedSettingsPaths${tab}$((0x2 | 0x400 | 0x800))${tab}LinkCheck${tab}${tab}"
sequence_of() { rows InstallExecuteSequence | awk -F'\t' -v action="$1" '$1 == action {print $3}'; }
check_condition=$(rows InstallExecuteSequence | awk -F'\t' '$1 == "RefuseLinkedSettingsPaths" {print $2}')
[ "$check_condition" = 'NOT REMOVE~="ALL"' ] || { echo "msi: link check condition '$check_condition'" >&2; status=1; }
check_sequence=$(sequence_of RefuseLinkedSettingsPaths)
if [ -z "$check_sequence" ] || [ "$check_sequence" -le "$(sequence_of InstallInitialize)" ] ||
    [ "$check_sequence" -ge "$(sequence_of CreateFolders)" ]; then
    echo "msi: link check at '$check_sequence', not between InstallInitialize and CreateFolders" >&2
    status=1
fi
# The Binary row's stream (exporting that table would write its streams into
# the current folder).
msiinfo extract "$msi" Binary.LinkCheck | cmp -s - "$link_check" ||
    { echo "msi: Binary.LinkCheck is not the build's linkcheck.exe" >&2; status=1; }
[ $status -eq 0 ] && echo "msi: $platform ok"
exit $status
