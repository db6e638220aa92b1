#!/usr/bin/env bash
# The Windows Installer package as the build leaves it, read with msiinfo: the
# product's identity, and rows that the Wine test cannot see.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
msi=${BUILD_DIR:-$root/build}/package/Dusklatch-2.1.msi
status=0
if [ ! -f "$msi" ]; then
    echo "msi: $msi is missing (build first)" >&2
    exit 1
fi

# Prints the rows of a table, its three header lines left out.
rows() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
expect_row() {
    local table=$1 row=$2
    if ! rows "$table" | grep -qxF "$row"; then
        echo "msi: no row '$row' in $table; it has:" >&2
        rows "$table" >&2
        status=1
    fi
}

tab=$'\t'
expect_row Property "ProductVersion${tab}2.1.0"
expect_row Property "UpgradeCode${tab}{6C1F8E2A-6B1D-4E0B-9B5A-3C7D2E4F1A20}"
# Fixed for version 2.1: another code would make a second build another product.
expect_row Property "ProductCode${tab}{98D2B81C-1D66-563A-AFD9-E2AFEC11D2A2}"
# Set after wixl by build_msi.sh: the settings file alone in its component,
# permanent (16) and never overwritten (128); the event source's message file
# as REG_EXPAND_SZ.
settings=$(rows Component | awk -F'\t' '$1 == "Settings" {print $4 " " $6}')
[ "$settings" = "144 Dusklatch.ini" ] || { echo "msi: settings component is '$settings'" >&2; status=1; }
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
msiinfo extract "$msi" Binary.LinkCheck | cmp -s - "${BUILD_DIR:-$root/build}/bin/linkcheck.exe" ||
    { echo "msi: Binary.LinkCheck is not the build's linkcheck.exe" >&2; status=1; }
[ $status -eq 0 ] && echo "msi: ok"
exit $status
