#!/usr/bin/env bash
# The Windows Installer package as the build leaves it, read with msiinfo: the
# product's identity, and the rows that wixl cannot write and build_msi.sh sets
# afterwards (a lost one would only show on a real machine, much later).
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
expect_row Property "ALLUSERS${tab}1"
expect_row Property "SecureCustomProperties${tab}LOGON_TIMEOUT;USER_TIMEOUT;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED"
# The settings file alone in its component, permanent (16) and never overwritten (128).
settings=$(rows Component | awk -F'\t' '$1 == "Settings" {print $3 " " $4 " " $6}')
if [ "$settings" != "SettingsFolder 144 Dusklatch.ini" ]; then
    echo "msi: settings component is '$settings', want 'SettingsFolder 144 Dusklatch.ini'" >&2
    status=1
fi
files=$(rows File | awk -F'\t' '$2 == "Settings"' | wc -l)
[ "$files" = 1 ] || { echo "msi: the settings component holds $files files" >&2; status=1; }
logon=$(rows Component | awk -F'\t' '$1 == "LogonSaver" {print $5}')
[ "$logon" = 'LOGON_TIMEOUT OR REMOVE~="ALL"' ] || { echo "msi: LogonSaver condition '$logon'" >&2; status=1; }
autorun=$(rows Component | awk -F'\t' '$1 == "UserAutorun" {print $5}')
[ "$autorun" = 'USER_TIMEOUT OR REMOVE~="ALL"' ] || { echo "msi: UserAutorun condition '$autorun'" >&2; status=1; }
message_file=$(rows Registry | awk -F'\t' '$4 == "EventMessageFile" {print $5}')
[ "$message_file" = '#%[#DusklatchService.exe]' ] || { echo "msi: EventMessageFile '$message_file'" >&2; status=1; }
# Deferred, not impersonated (3090); the service stop ignores its exit status (3154).
expect_row CustomAction "StopCompanionService${tab}3154${tab}svcctl.exe${tab}stop${tab}"
expect_row CustomAction "SelectSaverForLogon${tab}3090${tab}setsaverw.exe${tab}[LOGON_TIMEOUT] /logon${tab}"
expect_row CustomAction "RegisterUserAutorun${tab}3090${tab}setautorun.exe${tab}\"[#setsaverw.exe]\" [USER_TIMEOUT]${tab}"
[ $status -eq 0 ] && echo "msi: ok"
exit $status
