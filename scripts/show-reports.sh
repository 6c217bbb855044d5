#!/usr/bin/env bash
# Prints every report in the working folder given that holds more than its
# headers' lines; the console's progress marks and CRs are left out.
set -euo pipefail
folder="$1"
label="${2:-$folder}"
for report in "$folder"/*.{reg,txt,ini}; do
  [ -f "$report" ] || continue
  case "$report" in */cpy_*) continue ;; esac
  [ -s "$report" ] || continue
  echo "== $label/${report##*/}"
  tr -d '\r' <"$report"
done
