#!/usr/bin/env bash
# Prints every report in the working folder given that holds more than its
# headers' lines; the console's progress marks and CRs are left out, and the
# change scripts, which are UTF-16, are shown in UTF-8.
set -euo pipefail
folder="$1"
label="${2:-$folder}"
for report in "$folder"/*.{reg,txt,ini}; do
  [ -f "$report" ] || continue
  case "$report" in */cpy_*) continue ;; esac
  [ -s "$report" ] || continue
  echo "== $label/${report##*/}"
  case "$report" in
    */redo.reg | */undo.reg) iconv -f UTF-16 -t UTF-8 "$report" | tr -d '\r' ;;
    *) tr -d '\r' <"$report" ;;
  esac
done
