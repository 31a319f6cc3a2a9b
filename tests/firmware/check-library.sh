#!/bin/bash
# Reads an Arduino library's library.properties by the rules of the Arduino
# library format (1.5) as the Library Manager applies them:
# every required field present once and not empty, the name's characters,
# the version's form, the category, a web address, the maintainer's e-mail,
# the architectures list and headers in `includes` that exist in src/.
#   check-library.sh LIBRARY_FOLDER
set -uo pipefail
library=$1
properties="$library/library.properties"
status=0
fail() { echo "FAIL: $*"; status=1; }

[ -f "$properties" ] || { echo "FAIL: no $properties"; exit 1; }
declare -A field
while IFS= read -r line || [ -n "$line" ]; do
    [[ -z "$line" || "$line" == \#* ]] && continue
    [[ "$line" == *=* ]] || { fail "not key=value: $line"; continue; }
    key=${line%%=*}
    [ -z "${field[$key]+set}" ] || fail "$key is given twice"
    field[$key]=${line#*=}
done < "$properties"

for key in name version author maintainer sentence paragraph category url architectures; do
    [ -n "${field[$key]:-}" ] || fail "$key is missing or empty"
done
name=${field[name]:-}
[[ "$name" =~ ^[A-Za-z0-9][A-Za-z0-9\ _.-]*$ ]] || fail "name [$name]: a letter or digit, then letters, digits, spaces, _ . -"
[ ${#name} -le 63 ] || fail "name is longer than 63 characters"
[ "$(basename "$library")" = "${name// /_}" ] || fail "the folder is not named after the library ($name)"
[[ "${field[version]:-}" =~ ^(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)$ ]] ||
    fail "version [${field[version]:-}] is not MAJOR.MINOR.PATCH"
case "${field[category]:-}" in
    Display | Communication | "Signal Input/Output" | Sensors | "Device Control" | Timing | "Data Storage" | \
        "Data Processing" | Other) ;;
    *) fail "category [${field[category]:-}] is not one of the Library Manager's" ;;
esac
[[ "${field[url]:-}" =~ ^https?://[^[:space:]/]+\.[^[:space:]]+$ ]] || fail "url [${field[url]:-}] is not a web address"
[[ "${field[maintainer]:-}" =~ \<[^[:space:]@\<\>]+@[^[:space:]@\<\>]+\.[^[:space:]@\<\>]+\>$ ]] ||
    fail "maintainer [${field[maintainer]:-}] has no <e-mail>"
IFS=, read -ra architectures <<< "${field[architectures]:-}"
for architecture in "${architectures[@]}"; do
    architecture=${architecture# }
    [[ "$architecture" =~ ^(\*|[a-z0-9_]+)$ ]] || fail "architecture [$architecture]"
done
IFS=, read -ra includes <<< "${field[includes]:-}"
for header in "${includes[@]}"; do
    header=${header# }
    [ -f "$library/src/$header" ] || fail "includes names $header, which src/ does not hold"
done

[ $status -eq 0 ] && echo "$name: library.properties passes"
exit $status
