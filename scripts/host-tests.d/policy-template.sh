#!/usr/bin/env bash
# The Group Policy template against the program and against itself: both files
# are well-formed XML; every key and value name the template writes is one the
# screen saver reads (the keys in settings/settings_policy.h, the value names
# from the fields' table in settings/settings_fields.h), and each of those names
# is written in the policy key and in its Logon subkey; every string and
# presentation the template names is in the English resources, and each
# presentation's controls are the elements of the policies that show it.
# A template that breaks any of this still loads in the editor, but writes
# values nothing reads, or shows a policy without its texts or controls.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
admx=$root/policy/Dusklatch.admx
adml=$root/policy/en-US/Dusklatch.adml
header=$root/settings/settings_policy.h
fields=$root/settings/settings_fields.h
status=0
fail() { echo "policy-template: $*" >&2; status=1; }

command -v xmllint >/dev/null || "$root/scripts/install-deps.sh"

for file in "$admx" "$adml"; do
    xmllint --noout "$file" || fail "$file is not well-formed"
done
[ $status -eq 0 ] || exit 1

# xpath FILE EXPRESSION: the values of the attributes selected, one a line.
xpath() { xmllint --xpath "$2" "$1" 2>/dev/null | sed -n 's/^ [^=]*="\(.*\)"$/\1/p' || true; }
# text FILE EXPRESSION: one string value (count(), string()).
text() { xmllint --xpath "$2" "$1" 2>/dev/null || true; }
# Elements are matched by local name: the schema's default namespace has no prefix.
el() { echo "*[local-name()='$1']"; }

# The header's literals, C escapes undone: "SOFTWARE\\Policies\\..." names one backslash.
literal() { sed -n "s/.*$1\[\] = L\"\(.*\)\";.*/\1/p" "$header" | sed 's/\\\\/\\/g'; }
key_path=$(literal kPolicyKeyPath)
logon_subkey=$(literal kPolicyLogonSubkey)
# A field's value name is its key, the first text of its row in the table.
names=$(sed -n '/kSettingsFields\[\] = {/,/^};/p' "$fields" | sed -n 's/^ *{L"\([^"]*\)".*/\1/p')
if [ -z "$key_path" ] || [ -z "$logon_subkey" ] || [ -z "$names" ]; then
    echo "policy-template: cannot read the key from $header or the value names from $fields" >&2
    exit 1
fi
logon_key="$key_path\\$logon_subkey"

# Every registry value the template writes, as "key<TAB>value name": the
# policy's own value and those of its elements, which take the policy's key
# unless they name their own.
tab=$'\t'
writes=
policy_count=$(text "$admx" "count(//$(el policy))")
for ((i = 1; i <= policy_count; i++)); do
    policy="(//$(el policy))[$i]"
    policy_key=$(text "$admx" "string($policy/@key)")
    writer_count=$(text "$admx" "count($policy/descendant-or-self::*[@valueName])")
    for ((j = 1; j <= writer_count; j++)); do
        writer="($policy/descendant-or-self::*[@valueName])[$j]"
        key=$(text "$admx" "string($writer/@key)")
        writes+="${key:-$policy_key}$tab$(text "$admx" "string($writer/@valueName)")"$'\n'
    done
done
[ -n "$writes" ] || fail "the template writes no values"
# Each key once: those of the values, and any that write no value (lists).
while read -r key; do
    [ -z "$key" ] || [ "$key" = "$key_path" ] || [ "$key" = "$logon_key" ] ||
        fail "key '$key' is not one the program reads"
done < <( (cut -f1 <<<"$writes"; xpath "$admx" "//@key") | sort -u)
while read -r name; do
    [ -z "$name" ] || grep -qxF -- "$name" <<<"$names" || fail "value '$name' is not one the program reads"
done < <(cut -f2 <<<"$writes" | sort -u)
for name in $names; do
    for key in "$key_path" "$logon_key"; do
        grep -qxF -- "$key$tab$name" <<<"$writes" || fail "no policy writes '$name' in $key"
    done
done

# References into the resources.
strings=$(xpath "$adml" "//$(el stringTable)/$(el string)/@id")
presentations=$(xpath "$adml" "//$(el presentationTable)/$(el presentation)/@id")
for id in $(grep -o '\$(string\.[^)]*)' "$admx" | sed 's/^\$(string\.//; s/)$//' | sort -u); do
    grep -qxF -- "$id" <<<"$strings" || fail "string '$id' is not defined in $adml"
done
for id in $(grep -o '\$(presentation\.[^)]*)' "$admx" | sed 's/^\$(presentation\.//; s/)$//' | sort -u); do
    grep -qxF -- "$id" <<<"$presentations" || fail "presentation '$id' is not defined in $adml"
done

# control ELEMENT: the presentation control that shows a policy element.
control() {
    case $1 in
        enum) echo dropdownList ;;
        decimal | longDecimal) echo decimalTextBox ;;
        text) echo "textBox comboBox" ;;
        boolean) echo checkBox ;;
        list) echo listBox ;;
        multiText) echo multiTextBox ;;
    esac
}
# Each policy with elements: its presentation shows exactly those elements,
# each in a control of its kind.
for ((i = 1; i <= policy_count; i++)); do
    policy="(//$(el policy))[$i]"
    name=$(text "$admx" "string($policy/@name)")
    element_ids=$(xpath "$admx" "$policy/$(el elements)/*/@id")
    presentation=$(text "$admx" "string($policy/@presentation)" | sed 's/^\$(presentation\.//; s/)$//')
    if [ -z "$presentation" ]; then
        [ -z "$element_ids" ] || fail "policy $name has elements but no presentation"
        continue
    fi
    shown="//$(el presentation)[@id='$presentation']"
    ref_ids=$(xpath "$adml" "$shown/*/@refId")
    for ref in $ref_ids; do
        grep -qxF -- "$ref" <<<"$element_ids" ||
            { fail "presentation $presentation shows '$ref', which policy $name does not have"; continue; }
        kind=$(text "$admx" "local-name($policy/$(el elements)/*[@id='$ref'])")
        shown_as=$(text "$adml" "local-name($shown/*[@refId='$ref'])")
        [[ " $(control "$kind") " == *" $shown_as "* ]] ||
            fail "presentation $presentation shows $kind '$ref' of policy $name as $shown_as"
    done
    for id in $element_ids; do
        grep -qxF -- "$id" <<<"$ref_ids" || fail "presentation $presentation does not show '$id' of policy $name"
    done
done

[ $status -eq 0 ] && echo "policy-template: ok"
exit $status
