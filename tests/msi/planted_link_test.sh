#!/usr/bin/env bash
# planted_link_test.sh MSI
# The Windows Installer package with a link planted at "Orvanta" in the
# all-users folder, in a win64 prefix of its own: Wine's msiexec, running the
# deferred actions as the installer's service, creates the settings folder and
# installs the settings file wherever that link points unless the package stops
# first. The installation must fail, leave nothing installed and nothing behind
# the link; once the link is gone, the same package installs. Wine makes no
# link from inside, so the link is a Unix symbolic link made here.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
msi=$1
[ -f "$msi" ] || { echo "planted-link: $msi is missing (build first)" >&2; exit 1; }
. "$root/tests/msi/installer_prefix.sh"

unix_path() { wine winepath -u "$1" </dev/null | tr -d '\r\n'; }
msi_windows=$(wine winepath -w "$msi" </dev/null | tr -d '\r\n')
all_users=$(wine cmd /c echo %ProgramData% </dev/null | tr -d '\r\n')
all_users_unix=$(unix_path "$all_users")
vendor=$all_users_unix/Orvanta
elsewhere=$(mktemp -d "$WINEPREFIX/drive_c/dusklatch-link-target.XXXXXX")
# Where the package puts its programs and the screen saver, however the
# prefix names the folders for 32-bit and 64-bit programs.
installed_places() {
    local folder
    for folder in 'C:\Program Files' 'C:\Program Files (x86)'; do
        echo "$(unix_path "$folder")/Dusklatch"
    done
    for folder in 'C:\windows\system32' 'C:\windows\syswow64'; do
        echo "$(unix_path "$folder")/Dusklatch.scr"
    done
}

status=0
fail() { echo "planted-link: $*" >&2; status=1; }

ln -s "$elsewhere" "$vendor"
installed=$(msiexec /i "$msi_windows")
# Windows reports a failed deferred action as ERROR_INSTALL_FAILURE (1603);
# Wine 8's msiexec passes on the action's ERROR_FUNCTION_FAILED (1627). A
# POSIX shell sees the low byte of either.
case "$installed" in
    $((1603 & 255)) | $((1627 & 255))) ;;
    *) fail "an installation through the link ended with $installed" ;;
esac
[ -z "$(ls -A "$elsewhere")" ] || fail "installed behind the link: $(ls -AR "$elsewhere")"
[ -L "$vendor" ] || fail "the link itself was replaced"
while read -r place; do
    [ ! -e "$place" ] || fail "$place is there after the failed installation"
done < <(installed_places)

# The same package, once the link is gone: the check lets a plain folder pass.
rm "$vendor"
installed=$(msiexec /i "$msi_windows")
[ "$installed" = 0 ] || fail "the installation without the link ended with $installed"
[ -f "$vendor/Dusklatch/Dusklatch.ini" ] || fail "no settings file after the installation without the link"
removed=$(msiexec /x "$msi_windows")
[ "$removed" = 0 ] || fail "the uninstallation ended with $removed"

[ $status -eq 0 ] && echo "planted-link: the package refuses a linked vendor folder and installs without the link"
exit $status
