#!/usr/bin/env bash
# Measures what the program's date conversion makes of each text in samples.txt in each
# user locale, by running the Windows build's date_forms_probe.exe under Wine once per
# locale, and writes the table measured.tsv that the native model is held to. Forms
# without a year ("1.2") are left out of samples.txt: they read the current year.
#
#   cmake --build --preset windows --target date_forms_probe && tools/date_forms/measure.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
probe="$root/build/windows/bin/date_forms_probe.exe"
[[ -f "$probe" ]] || { echo "build date_forms_probe first (windows preset)" >&2; exit 2; }
locales=(en_US en_GB de_DE fr_FR ru_RU zh_CN ja_JP)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for locale in "${locales[@]}"; do
  # Each run gets its own prefix, so its Wine server starts in this locale.
  LC_ALL="$locale.UTF-8" "$root/tools/winenv.sh" wine "$probe" <"$here/samples.txt" >"$scratch/$locale.tsv"
  tag=$(sed -n '1s/^locale\t//p' "$scratch/$locale.tsv" | tr -d '\r')
  [[ "$tag" == "${locale/_/-}" ]] || { echo "Wine ran in locale '$tag', not ${locale/_/-}" >&2; exit 1; }
done
python3 - "$scratch" "$here/measured.tsv" "$(wine --version)" "${locales[@]}" <<'PY'
import sys
scratch, out, wine, locales = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
columns = []
for locale in locales:
    with open(f"{scratch}/{locale}.tsv", encoding="utf-8") as f:
        rows = [line.rstrip("\r\n").split("\t") for line in f][1:]
    columns.append(rows)
with open(out, "w", encoding="utf-8", newline="\n") as f:
    f.write(f"# Limit text, then the date the program reads in each user locale ('-': no date).\n")
    f.write(f"# Measured with {wine} by tools/date_forms/measure.sh; do not edit by hand.\n")
    f.write("text\t" + "\t".join(l.replace("_", "-") for l in locales) + "\n")
    for i, row in enumerate(columns[0]):
        f.write(row[0] + "\t" + "\t".join(col[i][1] for col in columns) + "\n")
PY
echo "wrote $here/measured.tsv"
