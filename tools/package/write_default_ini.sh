#!/bin/sh
# Writes the prepared settings file of the installation package: the default
# settings as UTF-16LE without a byte order mark, each line ending in CR LF.
set -eu
out=$1
printf '%s\r\n' \
    '[Dusklatch]' \
    'shutdown_type=1' \
    'force=true' \
    'countdown=900' \
    'eblris=true' \
    'perform_task=false' \
    'task_job=' |
    iconv -f ASCII -t UTF-16LE >"$out.tmp"
mv "$out.tmp" "$out"
