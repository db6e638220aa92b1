#!/usr/bin/env bash
# sign.sh FILE: gives FILE (a PE program, or an installer package) an
# Authenticode signature with SHA-256, in place, when DUSKLATCH_SIGN_PFX names
# a PKCS#12 file; leaves it alone otherwise.
#   DUSKLATCH_SIGN_PFX            the certificate and key (PKCS#12)
#   DUSKLATCH_SIGN_PASSWORD       its password (may hold spaces; empty if none)
#   DUSKLATCH_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server, used only when given
#   SOURCE_DATE_EPOCH             the signing time, so that a signature made
#                                 again without a time stamp has the same bytes
# A file that should have been signed and could not be is removed, so that no
# unsigned copy passes for a signed one and the next build makes it again.
set -euo pipefail
file=$1
[ -n "${DUSKLATCH_SIGN_PFX:-}" ] || exit 0

options=(-pkcs12 "$DUSKLATCH_SIGN_PFX" -h sha256)
if [ -n "${DUSKLATCH_SIGN_TIMESTAMP_URL:-}" ]; then
    options+=(-ts "$DUSKLATCH_SIGN_TIMESTAMP_URL")
fi
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    options+=(-time "$SOURCE_DATE_EPOCH")
fi

signed="$file.signing"
# The password goes through a pipe, not the command line, where every user
# of the machine could read it.
if osslsigncode sign "${options[@]}" -readpass <(printf '%s' "${DUSKLATCH_SIGN_PASSWORD:-}") \
        -in "$file" -out "$signed" >"$signed.log" 2>&1; then
    chmod --reference="$file" "$signed"
    mv -f "$signed" "$file"
    rm -f "$signed.log"
    exit 0
fi
echo "sign.sh: could not sign $file:" >&2
cat "$signed.log" >&2
rm -f "$signed" "$signed.log" "$file"
exit 1
