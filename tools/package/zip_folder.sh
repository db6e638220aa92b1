#!/bin/sh
# zip_folder.sh PARENT NAME ZIP: zips the folder PARENT/NAME, itself and all
# below it, into ZIP. The same files give the same bytes on any file system,
# in any time zone and under any umask: entries in byte order of their names,
# no owner or extra time fields, modes normalised, and with SOURCE_DATE_EPOCH
# set, every entry dated then.
set -eu
parent=$1
name=$2
zip=$3
cd "$parent"
chmod -R u=rwX,go=rX "$name"
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    find "$name" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
fi
rm -f "$zip" "$zip.tmp"
# zip keeps entry times in local time.
find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip.tmp"
mv "$zip.tmp" "$zip"
