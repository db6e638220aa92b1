#!/usr/bin/env bash
# The installation packages as the build leaves them, the x86 one and beside it
# the x64 one: each zip holds the folder with Dusklatch.scr, the prepared
# Dusklatch.ini, the six tools and the companion service in bin/ (the programs
# of that platform's build), and the Group Policy template in policy/ as it is
# in the source; the settings file is UTF-16LE without byte order mark, with
# CR LF line ends. The x64 package beside the x86 one is the 64-bit build's.
# tools-package.sh [NAME BIN]: that package and program folder; without them,
# both platforms'.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
package=$build/package
if [ $# -eq 0 ]; then
    status=0
    bash "$0" Dusklatch-2.1 "$build/bin" || status=1
    bash "$0" Dusklatch-2.1-x64 "$build-x86_64/bin" || status=1
    for file in Dusklatch-2.1-x64.zip Dusklatch-2.1-x64.msi; do
        cmp -s "$package/$file" "$build-x86_64/package/$file" ||
            { echo "tools-package: $package/$file is not the 64-bit build's" >&2; status=1; }
    done
    exit $status
fi
name=$1
bin=$2
status=0

if [ ! -f "$package/$name.zip" ]; then
    echo "tools-package: $package/$name.zip is missing (build first)" >&2
    exit 1
fi

expected_list="$name/
$name/Dusklatch.ini
$name/Dusklatch.scr
$name/bin/
$name/bin/DusklatchService.exe
$name/bin/deployconfig.exe
$name/bin/installsaver.exe
$name/bin/setautorun.exe
$name/bin/setsaver.exe
$name/bin/setsaverw.exe
$name/bin/svcctl.exe
$name/policy/
$name/policy/Dusklatch.admx
$name/policy/en-US/
$name/policy/en-US/Dusklatch.adml"
actual_list=$(cd "$package" && cmake -E tar tf "$name.zip" | LC_ALL=C sort)
if [ "$actual_list" != "$expected_list" ]; then
    echo "tools-package: unexpected zip contents:" >&2
    echo "$actual_list" >&2
    status=1
fi

# The seven default lines, spelled out byte by byte rather than regenerated.
expected_ini=$(printf '%s' \
    '5b004400750073006b006c0061007400630068005d000d000a00' \
    '730068007500740064006f0077006e005f0074007900700065003d0031000d000a00' \
    '66006f007200630065003d0074007200750065000d000a00' \
    '63006f0075006e00740064006f0077006e003d003900300030000d000a00' \
    '650062006c007200690073003d0074007200750065000d000a00' \
    '70006500720066006f0072006d005f007400610073006b003d00660061006c00730065000d000a00' \
    '7400610073006b005f006a006f0062003d000d000a00')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$package/$name.zip")
for ini in "$package/$name/Dusklatch.ini" "$scratch/$name/Dusklatch.ini"; do
    actual_ini=$(od -An -v -tx1 "$ini" | tr -d ' \n')
    if [ "$actual_ini" != "$expected_ini" ]; then
        echo "tools-package: $ini has unexpected bytes: $actual_ini" >&2
        status=1
    fi
done
for tool in svcctl setsaver setsaverw installsaver deployconfig setautorun DusklatchService; do
    if ! cmp -s "$bin/$tool.exe" "$scratch/$name/bin/$tool.exe"; then
        echo "tools-package: bin/$tool.exe in $name.zip differs from the build's" >&2
        status=1
    fi
done
if ! cmp -s "$bin/Dusklatch.scr" "$scratch/$name/Dusklatch.scr"; then
    echo "tools-package: Dusklatch.scr in $name.zip differs from the build's" >&2
    status=1
fi
for file in policy/Dusklatch.admx policy/en-US/Dusklatch.adml; do
    if ! cmp -s "$root/$file" "$scratch/$name/$file"; then
        echo "tools-package: $file in the zip differs from the source's" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "tools-package: $name ok"
exit $status
