#!/usr/bin/env bash
# The application manifest as built into Dusklatch.scr (its RT_MANIFEST bytes,
# not the source file), in each architecture's build that exists: the 32-bit
# product and the 64-bit build beside it. Well-formed XML, the common controls
# 6 dependency, the Windows versions the program declares it knows (without
# them Windows 8.1 and later report themselves as 6.2 build 9200 to the
# program), and system DPI awareness (without it Windows draws the program at
# 96 DPI and stretches it, blurred, on a screen scaled above 100%).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
status=0
command -v xmllint >/dev/null || "$root/scripts/install-deps.sh"
[ -f "$build/bin/Dusklatch.scr" ] || { echo "manifest: $build/bin/Dusklatch.scr is missing (build first)" >&2; exit 1; }

manifest=$(mktemp /tmp/dusklatch-manifest.XXXXXX)
trap 'rm -f "$manifest"' EXIT
# xpath EXPRESSION: attribute values or texts, one a line; elements matched by local name.
xpath() { xmllint --xpath "$1" "$manifest" 2>/dev/null | sed -n 's/^ [^=]*="\(.*\)"$/\1/p' || true; }
xvalue() { xmllint --xpath "$1" "$manifest" 2>/dev/null || true; }

check_saver() {
    local saver=$1
    fail() { echo "manifest: $saver: $*" >&2; status=1; }
    # The resource holds the manifest's bytes as they are; it is the only XML in the program.
    perl -0777 -ne 'print $1 if /(<\?xml.*?<\/assembly>)/s' "$saver" >"$manifest"
    [ -s "$manifest" ] || { fail "no manifest"; return; }
    xmllint --noout "$manifest" || { fail "the manifest is not well-formed"; return; }

    local declared id namespace controls version aware
    declared=$(xpath "//*[local-name()='compatibility']/*[local-name()='application']/*[local-name()='supportedOS']/@Id")
    # The platform's published identifiers: Vista, 7, 8, 8.1, 10 (which also stands for 11).
    for id in '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
        '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
        '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
        grep -qxF -- "$id" <<<"$declared" || fail "supportedOS $id is not declared"
    done
    namespace=$(xvalue "namespace-uri(//*[local-name()='compatibility'])")
    [ "$namespace" = "urn:schemas-microsoft-com:compatibility.v1" ] || fail "compatibility namespace is '$namespace'"
    controls=$(xpath "//*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity']/@name")
    grep -qxF "Microsoft.Windows.Common-Controls" <<<"$controls" || fail "the common controls dependency is missing"
    version=$(xpath "//*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity']/@version")
    [ "$version" = "6.0.0.0" ] || fail "common controls version '$version'"

    # Windows reads the element only in these namespaces, inside the
    # application settings of the assembly (asm.v3).
    local settings="//*[local-name()='application' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
    settings+="/*[local-name()='windowsSettings' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
    aware=$(xvalue "string($settings/*[local-name()='dpiAware' and namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings'])")
    [ "$(tr -d ' \t\r\n' <<<"$aware")" = "true" ] || fail "dpiAware is '$aware', not true (system DPI awareness)"
}

checked=0
for saver in "$build/bin/Dusklatch.scr" "$build-x86_64/bin/Dusklatch.scr"; do
    [ -f "$saver" ] || continue
    check_saver "$saver"
    checked=$((checked + 1))
done

[ $status -eq 0 ] && echo "manifest: ok ($checked builds)"
exit $status
