#!/bin/sh
# build_msi.sh WXS PACKAGE_FOLDER OUTPUT UPGRADE_CODE PRODUCT_CODE PRODUCT_VERSION
# Builds the Windows Installer package from the package folder with wixl, then
# sets with msibuild what wixl 0.101 drops or cannot express.
set -eu
wxs=$1
package=$2
out=$3
upgrade_code=$4
product_code=$5
version=$6
tmp="$out.tmp"
rm -f "$tmp"
(cd "$package" && wixl -a x86 -D UpgradeCode="$upgrade_code" -D ProductCode="$product_code" -D ProductVersion="$version" -o "$tmp" "$wxs")
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
mv "$tmp" "$out"
