#!/usr/bin/env bash
# Validates the demo and the valid fixtures against docs/schema, and proves that each
# invalid fixture is refused for the reason its "refused:" comment names.
#   tests/schema/check_schemas.sh [xmllint]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
xmllint=${1:-xmllint}
here="$root/tests/schema"
failures=0

schema_for() {
  case "$(basename "$1")" in
    Config.xml | skin-*) echo "$root/docs/schema/Config.xsd" ;;
    *) echo "$root/docs/schema/Message.xsd" ;;
  esac
}

valid=("$root/demo/Message.xml" "$root/demo/web/Message.xml" "$root"/demo/Image/*/Config.xml "$here"/valid/*.xml)
for file in "${valid[@]}"; do
  if ! output=$("$xmllint" --noout --nonet --schema "$(schema_for "$file")" "$file" 2>&1); then
    echo "FAIL: ${file#"$root"/} should validate:"
    echo "$output"
    failures=$((failures + 1))
  fi
done

for file in "$here"/invalid/*.xml; do
  reason=$(sed -n 's/.*<!-- refused: \(.*\) -->.*/\1/p' "$file" | head -n 1)
  if [[ -z "$reason" ]]; then
    echo "FAIL: ${file#"$root"/} names no reason it is refused"
    failures=$((failures + 1))
    continue
  fi
  output=$("$xmllint" --noout --nonet --schema "$(schema_for "$file")" "$file" 2>&1)
  status=$?
  # 3 and 4 are validity errors; anything else (not well formed, no schema) proves nothing.
  if [[ $status -ne 3 && $status -ne 4 ]] || ! grep -Eq "$reason" <<<"$output"; then
    echo "FAIL: ${file#"$root"/} should be refused for /$reason/ (exit $status):"
    echo "$output"
    failures=$((failures + 1))
  fi
done

echo "${#valid[@]} valid files, $(ls "$here"/invalid/*.xml | wc -l) invalid files, $failures failures"
[[ $failures -eq 0 ]]
