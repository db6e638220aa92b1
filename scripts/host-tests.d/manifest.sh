#!/usr/bin/env bash
# The application manifest as built into Dusklatch.scr (its RT_MANIFEST bytes,
# not the source file): well-formed XML, the common controls 6 dependency, the
# Windows versions the program declares it knows, system DPI awareness, and
# the program's own processor architecture. Without those versions Windows 8.1
# and later report themselves as 6.2 build 9200 to the program; without DPI
# awareness Windows draws it at 96 DPI and stretches it, blurred, on a screen
# scaled above 100%; a 64-bit program that asks for the x86 common controls
# does not start on Windows (and gets the old ones under Wine).
# manifest.sh [SAVER]: that program; without one, each platform's build's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -eq 0 ]; then
    build=${BUILD_DIR:-$root/build}
    status=0
    for saver in "$build/bin/Dusklatch.scr" "$build-x86_64/bin/Dusklatch.scr"; do
        bash "$0" "$saver" || status=1
    done
    exit $status
fi
saver=$1
status=0
fail() { echo "manifest ($saver): $*" >&2; status=1; }
command -v xmllint >/dev/null || "$root/scripts/install-deps.sh"
[ -f "$saver" ] || { echo "manifest: $saver is missing (build first)" >&2; exit 1; }

manifest=$(mktemp /tmp/dusklatch-manifest.XXXXXX)
trap 'rm -f "$manifest"' EXIT
# The resource holds the manifest's bytes as they are; it is the only XML in the program.
perl -0777 -ne 'print $1 if /(<\?xml.*?<\/assembly>)/s' "$saver" >"$manifest"
[ -s "$manifest" ] || { echo "manifest: no manifest in $saver" >&2; exit 1; }
xmllint --noout "$manifest" || fail "the manifest is not well-formed"

# xpath EXPRESSION: attribute values, one a line; elements matched by local name.
xpath() { xmllint --xpath "$1" "$manifest" 2>/dev/null | sed -n 's/^ [^=]*="\(.*\)"$/\1/p' || true; }
declared=$(xpath "//*[local-name()='compatibility']/*[local-name()='application']/*[local-name()='supportedOS']/@Id")
# The platform's published identifiers: Vista, 7, 8, 8.1, 10 (which also stands for 11).
for id in '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    grep -qxF -- "$id" <<<"$declared" || fail "supportedOS $id is not declared"
done
namespace=$(xmllint --xpath "namespace-uri(//*[local-name()='compatibility'])" "$manifest" 2>/dev/null || true)
[ "$namespace" = "urn:schemas-microsoft-com:compatibility.v1" ] || fail "compatibility namespace is '$namespace'"
controls=$(xpath "//*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity']/@name")
grep -qxF "Microsoft.Windows.Common-Controls" <<<"$controls" || fail "the common controls dependency is missing"
version=$(xpath "//*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity']/@version")
[ "$version" = "6.0.0.0" ] || fail "common controls version '$version'"

# Windows reads the element only in these namespaces, inside the application
# settings of the assembly (asm.v3).
settings="//*[local-name()='application' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
settings+="/*[local-name()='windowsSettings' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
aware=$(xmllint --xpath "string($settings/*[local-name()='dpiAware' and namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings'])" "$manifest" 2>/dev/null || true)
[ "$(tr -d ' \t\r\n' <<<"$aware")" = "true" ] || fail "dpiAware is '$aware', not true (system DPI awareness)"

# The architecture as the program's PE header gives it, in the names of
# side-by-side assemblies: the program's identity and the common controls it
# asks for both name it.
format=$(x86_64-w64-mingw32-objdump -f "$saver" | sed -n 's/.*file format //p')
case $format in
    pei-i386) architecture=x86 ;;
    pei-x86-64) architecture=amd64 ;;
    *) architecture="(a program of format '$format')" ;;
esac
named=$(xpath "//*[local-name()='assemblyIdentity']/@processorArchitecture")
[ "$(echo $named)" = "$architecture $architecture" ] ||
    fail "a $format program whose manifest names the architectures: $(echo $named)"

[ $status -eq 0 ] && echo "manifest: ok ($saver, $architecture)"
exit $status
