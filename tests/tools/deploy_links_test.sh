#!/usr/bin/env bash
# deploy_links_test.sh DEPLOYCONFIG
# deployconfig, run by an administrator, against a link that a user planted
# at "Orvanta" and at "Orvanta\Dusklatch": it names the link, prints the
# copy-error line, ends with -1 and leaves what the link points at untouched.
# A Windows test cannot make the link: Wine 8's CreateSymbolicLinkW reports
# success and makes nothing, and FSCTL_SET_REPARSE_POINT is refused. A Unix
# symbolic link in the prefix shows to programs as a folder that is a reparse
# point, so the link is planted from here. The prefix is shared with the other
# tests: what it held at the settings place is put back afterwards.
set -euo pipefail
tool=$1
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "deploy-links: WINEPREFIX must name a prepared test prefix (use scripts/test.sh)" >&2
    exit 1
fi
scratch=$(mktemp -d /tmp/dusklatch-deploy-links.XXXXXX)
# Run from a folder of our own: wine takes a program of a built-in's name from
# the current folder first.
cd "$scratch"
unix_path() { wine winepath -u "$1" </dev/null | tr -d '\r\n'; }
windows_path() { wine winepath -w "$1" </dev/null | tr -d '\r\n'; }

# The all-users folder as programs see it, and where it lies on disk.
all_users=$(wine cmd /c echo %ProgramData% </dev/null | tr -d '\r\n')
all_users_unix=$(unix_path "$all_users")
vendor=$all_users_unix/Orvanta
[ -d "$all_users_unix" ] || { echo "deploy-links: no all-users folder at $all_users_unix" >&2; exit 1; }
# Where the links point: a folder in the prefix that deployconfig must not touch.
elsewhere=$(mktemp -d "$WINEPREFIX/drive_c/dusklatch-link-target.XXXXXX")
saved=$scratch/saved-vendor
restore() {
    rm -rf "$vendor"
    if [ -e "$saved" ] || [ -L "$saved" ]; then mv "$saved" "$vendor"; fi
    rm -rf "$elsewhere" "$scratch"
}
if [ -e "$vendor" ] || [ -L "$vendor" ]; then mv "$vendor" "$saved"; fi
trap restore EXIT

mkdir -p "$scratch/Pkg/bin"
cp "$tool" "$scratch/Pkg/bin/deployconfig.exe"
printf 'settings from the package' >"$scratch/Pkg/Dusklatch.ini"
source=$(windows_path "$scratch/Pkg/Dusklatch.ini")
target="$all_users\\Orvanta\\Dusklatch\\Dusklatch.ini"

status=0
fail() { echo "deploy-links: $*" >&2; status=1; }

# expect_refused CASE LINK: LINK (relative to the all-users folder, with
# backslashes) is a link to $elsewhere when deployconfig runs.
expect_refused() {
    local case=$1 link=$2
    printf 'Error: "%s" is a link; nothing was deployed.\r\nError copying "%s" to "%s"!\r\n' \
        "$all_users\\$link" "$source" "$target" >"$scratch/expected"
    local exit_status=0
    wine "$scratch/Pkg/bin/deployconfig.exe" </dev/null >"$scratch/output" || exit_status=$?
    cmp -s "$scratch/expected" "$scratch/output" ||
        fail "$case: printed $(od -An -c "$scratch/output"), not $(od -An -c "$scratch/expected")"
    # -1, as a POSIX shell sees the low byte.
    [ "$exit_status" = 255 ] || fail "$case: exit status $exit_status"
    [ -z "$(ls -A "$elsewhere")" ] || fail "$case: written behind the link: $(ls -A "$elsewhere")"
    [ -L "$all_users_unix/${link//\\//}" ] || fail "$case: the link itself was replaced"
    # Each case starts with nothing behind the link.
    find "$elsewhere" -mindepth 1 -delete
}

ln -s "$elsewhere" "$vendor"
expect_refused "linked vendor folder" 'Orvanta'
rm "$vendor"

mkdir "$vendor"
ln -s "$elsewhere" "$vendor/Dusklatch"
expect_refused "linked product folder" 'Orvanta\Dusklatch'

[ $status -eq 0 ] && echo "deploy-links: deployconfig refuses a linked folder and touches nothing behind it"
exit $status
