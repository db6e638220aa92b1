#!/bin/sh
# build_msi.sh WXS PACKAGE_FOLDER OUTPUT UPGRADE_CODE PRODUCT_CODE PRODUCT_VERSION LINK_CHECK [PLATFORM]
# Builds the Windows Installer package from the package folder with wixl, then
# sets with msibuild what wixl 0.101 drops or cannot express.
# The package code (the summary's revision number) is derived from everything
# the package is made of, so that another package never shares it and the same
# one always has it; with SOURCE_DATE_EPOCH set, the summary's times are that
# moment too, and two builds of the same source give the same bytes.
set -eu
wxs=$1
package=$2
out=$3
upgrade_code=$4
product_code=$5
version=$6
# The program that the installation runs before it creates the settings
# folders; it travels in the package's Binary table alone.
link_check=$(cd "$(dirname "$7")" && pwd)/$(basename "$7")
# x86 (the 32-bit programs) or x64 (the 64-bit ones, which also write the
# 64-bit registry view).
platform=${8:-x86}
case $platform in
    x86) template="Intel;1033" ;;
    x64) template="x64;1033" ;;
    *) echo "build_msi.sh: unknown platform $platform" >&2; exit 1 ;;
esac
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
# The descriptors that deployconfig applies and the screen saver's logon-task
# check accepts, taken from the one header both are built with.
security_header=$(dirname "$self")/../../common/settings_protection.h
sddl() { sed -n "/$1/{n;s/^ *L\"\(.*\)\";\$/\1/p;}" "$security_header"; }
folder_sddl=$(sddl kProtectedSettingsFolderSddl)
file_sddl=$(sddl kProtectedSettingsFileSddl)
[ -n "$folder_sddl" ] && [ -n "$file_sddl" ] || { echo "no descriptors in $security_header" >&2; exit 1; }
tmp="$out.tmp"
rm -f "$tmp"

# The libraries write the current time into the summary; faketime gives them
# the source's moment instead.
run() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        faketime -f "@$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')" "$@"
    else
        "$@"
    fi
}
msibuild_program=$(command -v msibuild)
msibuild() { run "$msibuild_program" "$@"; }

digest=$( (cd "$package" && find . -type f | LC_ALL=C sort | xargs sha256sum
    cat "$wxs" "$self" "$security_header" "$link_check"
    echo "$upgrade_code $product_code $version") | sha256sum | cut -c1-32 | tr a-f A-F)
package_code=$(echo "$digest" | sed -E 's/^(.{8})(.{4}).(.{3}).(.{3})(.{12})$/{\1-\2-5\3-8\4-\5}/')

# wixl finds sources only by paths relative to the working directory.
(cd "$package" && TZ=UTC run wixl -a "$platform" -D Platform="$platform" -D UpgradeCode="$upgrade_code" \
    -D ProductCode="$product_code" -D ProductVersion="$version" \
    -D LinkCheck="$(realpath --relative-to=. "$link_check")" -o "$tmp" "$wxs")
msibuild "$tmp" -s "Dusklatch $version" "Orvanta" "$template" "$package_code"
# The settings file: permanent (16) and never overwritten (128), so that an
# edited file survives repair, upgrade and uninstall.
msibuild "$tmp" -q "UPDATE Component SET Attributes = 144 WHERE Component = 'Settings'"
# The timeout values only with their property; at uninstall the condition
# must hold too, or the values would stay behind.
msibuild "$tmp" -q "UPDATE Component SET Condition = 'LOGON_TIMEOUT OR REMOVE~=\"ALL\"' WHERE Component = 'LogonSaver'"
msibuild "$tmp" -q "UPDATE Component SET Condition = 'USER_TIMEOUT OR REMOVE~=\"ALL\"' WHERE Component = 'UserAutorun'"
# "#%" makes a Registry row REG_EXPAND_SZ, as the event log expects its message file.
msibuild "$tmp" -q "UPDATE Registry SET Value = '#%[#DusklatchService.exe]' WHERE Name = 'EventMessageFile'"
# Public properties an administrator passes on the command line reach the
# installer's service in a managed installation only when listed as secure.
msibuild "$tmp" -q "UPDATE Property SET Value = 'LOGON_TIMEOUT;USER_TIMEOUT;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE Property = 'SecureCustomProperties'"
# The settings folders and file get the administrators-only descriptor (Windows
# Installer 5 and later; older versions ignore the table), so that the logon
# desktop may run a task named there. CreateFolders applies it to the folders,
# InstallFiles to a file it installs; an existing file is never overwritten
# and keeps its own.
msibuild "$tmp" -q "INSERT INTO CreateFolder (Directory_, Component_) VALUES ('OrvantaFolder', 'Settings')"
msibuild "$tmp" -q "INSERT INTO CreateFolder (Directory_, Component_) VALUES ('SettingsFolder', 'Settings')"
msibuild "$tmp" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveFolders', 3600)"
msibuild "$tmp" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('CreateFolders', 3700)"
msibuild "$tmp" -q "CREATE TABLE \`MsiLockPermissionsEx\` (\`MsiLockPermissionsEx\` CHAR(72) NOT NULL, \`LockObject\` CHAR(72) NOT NULL, \`Table\` CHAR(32) NOT NULL, \`SDDL\` LONGCHAR NOT NULL, \`Condition\` CHAR(255) PRIMARY KEY \`MsiLockPermissionsEx\`)"
for row in "LockVendorFolder OrvantaFolder CreateFolder $folder_sddl" \
           "LockSettingsFolder SettingsFolder CreateFolder $folder_sddl" \
           "LockSettingsFile Dusklatch.ini File $file_sddl"; do
    set -- $row
    msibuild "$tmp" -q "INSERT INTO \`MsiLockPermissionsEx\` (\`MsiLockPermissionsEx\`, \`LockObject\`, \`Table\`, \`SDDL\`) VALUES ('$1', '$2', '$3', '$4')"
done
# Every user may create folders in the all-users folder, and CreateFolders and
# InstallFiles, running as SYSTEM, follow a link planted at a settings path:
# the folder, the file and the descriptor would land wherever it points. The
# link check runs right before them as an EXE from the Binary table (2),
# deferred (1024) and not impersonated (2048), so that it looks as SYSTEM just
# before SYSTEM writes; its failure stops the installation and rolls back what
# the script did so far. wixl 0.101 writes no row for a Binary-table EXE, so
# the rows are set here.
msibuild "$tmp" -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('RefuseLinkedSettingsPaths', 3074, 'LinkCheck', '')"
msibuild "$tmp" -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('RefuseLinkedSettingsPaths', 'NOT REMOVE~=\"ALL\"', 3690)"
if [ "$platform" = x64 ]; then
    # msidbComponentAttributes64bit on every component: the registry rows
    # (the event source, the Run value) go to the 64-bit view.
    msiinfo export "$tmp" Component | tail -n +4 | tr -d '\r' | while IFS="$(printf '\t')" read -r name _ _ attributes _; do
        msibuild "$tmp" -q "UPDATE Component SET Attributes = $((attributes | 256)) WHERE Component = '$name'"
    done
    # The x64 package replaces the x86 one, which has the same version:
    # msidbUpgradeAttributesVersionMaxInclusive (0x200) beside
    # msidbUpgradeAttributesMigrateFeatures (1), or both would stay
    # installed and share one service (wixl 0.101 knows no
    # AllowSameVersionUpgrades). The attributes are part of the row's key,
    # so the row is written anew.
    msibuild "$tmp" -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
    msibuild "$tmp" -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('{$upgrade_code}', '$version', $((0x200 | 1)), 'WIX_UPGRADE_DETECTED')"
fi
mv "$tmp" "$out"
