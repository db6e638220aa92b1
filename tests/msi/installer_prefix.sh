# Sourced by the installer package's shell tests: a win64 prefix of the test's
# own below $work (removed with it when the test ends), $work as the current
# folder, and msiexec.
# msiexec ARGUMENTS - runs Wine's msiexec quietly; prints the exit status's low
#                     byte, as a POSIX shell sees it
. "$root/scripts/wine-prefix.sh"
wine_prefix_fresh dusklatch-installer
# A folder of our own as the current one: wine takes a program of a built-in's
# name from there first.
cd "$work"

msiexec() {
    local exit_status=0
    wine msiexec "$@" /qn </dev/null >/dev/null 2>&1 || exit_status=$?
    echo "$exit_status"
}
